#include "UIInfoTip.h"

#include "UIIUserInput.h"

#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

const char* const UIInfoTip::s_propertyName = "InfoTip";

// The tip icons are compiled into this static library; registering them here makes them
// reachable for every user of the library.
static void initTipResources()
{
    static const bool s_done = [] {
        Q_INIT_RESOURCE(ui);
        return true;
    }();
    Q_UNUSED(s_done);
}

namespace
{
QVariant tipId(QWidget* widget)
{
    return QVariant::fromValue(reinterpret_cast<quintptr>(widget));
}
}

UIInfoTip::UIInfoTip(int kind, QWidget* widget, const QString& text, int milliseconds)
{
    showTip(kind, widget, text, milliseconds);
}

UIInfoTip::UIInfoTip(int kind, UIIUserInput* input, const QString& text, int milliseconds)
{
    QWidget* pWidget = qobject_cast<QWidget*>(input->object());
    Q_ASSERT_X(pWidget, "src\\UIInfoTip", "pWidget");
    if (pWidget)
        showTip(kind, pWidget, text, milliseconds);
}

void UIInfoTip::showTip(int kind, QWidget* widget, const QString& text, int milliseconds)
{
    QWidget* parent = widget->parentWidget();
    Q_ASSERT_X(parent, "src\\UIInfoTip", "widget->parentWidget()");
    if (!parent)
        return;

    const QVariant id = tipId(widget);
    const QObjectList children = parent->children();
    for (QObject* child : children)
    {
        if (child->property(s_propertyName) == id)
            delete child;
    }

    QString icon;
    switch (kind)
    {
    case Remove:
        return;
    case Error:
        icon = QStringLiteral(":/rc/error_small.png");
        break;
    case Information:
        icon = QStringLiteral(":/rc/info_small.png");
        break;
    default:
        Q_ASSERT_X(0, "src\\UIInfoTip", "0");
        return;
    }

    initTipResources();
    const QPixmap pixmap(icon);
    QLabel* label = new QLabel(parent);
    label->setPixmap(pixmap);
    // Only as large as the icon, so it hides no more of the editor than it must.
    label->resize(pixmap.size());
    label->setFrameRect(pixmap.rect());
    label->setToolTip(text);
    label->setProperty(s_propertyName, id);
    label->move(widget->mapTo(parent, QPoint(-12, -8)));
    label->show();
    if (milliseconds != -1)
    {
        QTimer* timer = new QTimer(label);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, label, &QObject::deleteLater);
        timer->start(milliseconds);
    }
}
