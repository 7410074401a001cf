#include "TestRegistry.h"
#include "ModalAnswers.h"
#include "UIDialogEnvoker.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

class tst_UIDialogEnvoker : public QObject
{
    Q_OBJECT

private slots:
    // Pressing opens the same modal dialog each time; closing does not delete it.
    void opensDialogOnPress()
    {
        QWidget page;
        auto* dialog = new QDialog(&page);
        dialog->setAttribute(Qt::WA_DeleteOnClose, true);
        auto* button = new UIDialogEnvoker(&page, dialog);
        QCOMPARE(button->parentWidget(), &page);
        QVERIFY(dialog->isModal());
        QVERIFY(!dialog->testAttribute(Qt::WA_DeleteOnClose));

        int opened = 0;
        for (int press = 0; press < 2; ++press)
        {
            QTimer::singleShot(0, dialog, [&] {
                opened += dialog->isVisible() ? 1 : 0;
                dialog->reject();
            });
            QTest::mousePress(button, Qt::LeftButton);
            QTest::mouseRelease(button, Qt::LeftButton);
        }
        QCOMPARE(opened, 2);
    }

    void dialogGoneFirst()
    {
        QWidget page;
        auto* dialog = new QDialog;
        UIDialogEnvoker button(&page, dialog);
        delete dialog;

        // A modal dialog opened by the press, blocking or not, would be noted at the next pass.
        ModalAnswers answers(0);
        QTest::mousePress(&button, Qt::LeftButton);
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(answers.m_seen.isEmpty());
    }
};

TALVEX_TEST(tst_UIDialogEnvoker)
#include "tst_UIDialogEnvoker.moc"
