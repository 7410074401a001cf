#include "TestRegistry.h"
#include "UIHistoryLineEdit.h"

#include <QTest>

namespace
{
// Keeps one list, newest first, at most three entries.
class ShortHistory : public UIHistoryLineEdit::IHistory
{
public:
    QStringList history(const QString& name) const override { return name == "Files" ? m_entries : QStringList(); }

    void addHistory(const QString& name, const QString& text) override
    {
        if (name != "Files")
            return;
        m_entries.removeAll(text);
        m_entries.prepend(text);
        while (m_entries.size() > 3)
            m_entries.removeLast();
    }

    QStringList m_entries;
};
}

class tst_UIHistoryLineEdit : public QObject
{
    Q_OBJECT

    static QStringList items(const QComboBox& box)
    {
        QStringList list;
        for (int i = 0; i < box.count(); ++i)
            list << box.itemText(i);
        return list;
    }

private slots:
    void listsHistoryNewestFirst()
    {
        ShortHistory history;
        history.m_entries = QStringList{"b.tso", "a.tso"};
        UIHistoryLineEdit box(&history, "Files");
        QVERIFY(box.isEditable());
        QCOMPARE(items(box), (QStringList{"b.tso", "a.tso"}));
        QCOMPARE(box.text(), QString("b.tso"));

        box.addToHistory("c.tso");
        box.addToHistory("a.tso");
        QCOMPARE(items(box), (QStringList{"a.tso", "c.tso", "b.tso"}));
        QCOMPARE(box.text(), QString("a.tso"));
        box.addToHistory("d.tso");
        QCOMPARE(items(box), (QStringList{"d.tso", "a.tso", "c.tso"}));
    }

    void typedTextIsTheText()
    {
        ShortHistory history;
        UIHistoryLineEdit box(&history, "Files");
        QCOMPARE(box.count(), 0);
        box.setCurrentText("new.tso");
        QCOMPARE(box.text(), QString("new.tso"));
    }
};

TALVEX_TEST(tst_UIHistoryLineEdit)
#include "tst_UIHistoryLineEdit.moc"
