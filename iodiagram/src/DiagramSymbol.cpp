#include "DiagramSymbol.h"

#include <QBitmap>
#include <QFont>
#include <QGraphicsDropShadowEffect>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

DiagramSymbol::DiagramSymbol(const QString& path, double scale, const QString& label, const QColor& color)
{
    QPixmap pixmap(path);
    m_size = pixmap.size();
    if (!pixmap.isNull() && color.isValid())
    {
        QPixmap tint(pixmap.size());
        tint.fill(Qt::transparent);
        {
            QPainter painter(&tint);
            QLinearGradient gradient(0, 0, 0, pixmap.height());
            gradient.setColorAt(0.0, color.lighter(130));
            gradient.setColorAt(1.0, color);
            painter.fillRect(0, 0, pixmap.width() - 1, pixmap.height() - 1, gradient);
        }
        tint.setMask(pixmap.mask());
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.drawPixmap(0, 0, tint);
    }
    if (!pixmap.isNull() && !label.isEmpty())
    {
        QPainter painter(&pixmap);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(24);
        font.setWeight(QFont::Bold);
        painter.setFont(font);
        painter.drawText(pixmap.rect().adjusted(0, 0, -5, -2), Qt::AlignCenter | Qt::TextSingleLine, label);
    }
    m_size = m_size * scale;
    if (!pixmap.isNull())
        pixmap = pixmap.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    setPixmap(pixmap);

    QGraphicsDropShadowEffect* shadow = new QGraphicsDropShadowEffect;
    shadow->setBlurRadius(5);
    shadow->setOffset(6, 4);
    shadow->setColor(QColor(150, 150, 150, 100));
    setGraphicsEffect(shadow);
}

DiagramSymbol::DiagramSymbol(const QString& path, double scale, const QColor& color)
    : DiagramSymbol(path, scale, QString(), color)
{
}

QPointF DiagramSymbol::terminalPoint(int i, int n) const
{
    const double width = m_size.width();
    const double height = m_size.height();
    return QPointF(width * 0.5, height * 0.5 - (n - 1) * 0.5 * (height / n) + i * (height / n));
}
