#include "TestRegistry.h"

#include "ModalAnswers.h"
#include "SettingsSandbox.h"
#include "StandaloneUiSupport.h"
#include "TalvexDocument.h"
#include "TalvexGlobalSettings.h"
#include "TalvexSOAxisFactory.h"
#include "TalvexSOConfigDialog.h"
#include "TalvexSOFileWidget.h"
#include "TalvexXYAppTab.h"
#include "UIHistoryLineEdit.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace
{
const QString s_header = QStringLiteral("D6417D12-C4F6-4DB8-BFD0-C612179DE216");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A configuration dialog that is left with "Save and close", after setting the speed when one
// is given.
ModalAnswers::Answer saveDialog(double speed = 0.0)
{
    return [speed](QWidget* window) {
        if (speed > 0.0)
            fieldLabelled<QDoubleSpinBox>(window, "Speed [mm/s]")->setValue(speed);
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->text() == "Save and close")
                button->pressed();
    };
}

ModalAnswers::Answer cancelDialog()
{
    return [](QWidget* window) { qobject_cast<QDialog*>(window)->reject(); };
}

// The panel on a device document, with the tab widget that takes the XY application tabs.
struct Panel
{
    Panel()
    {
        QVBoxLayout* layout = new QVBoxLayout(&m_window);
        m_pTabs = new QTabWidget;
        m_pPanel = new TalvexSOFileWidget(&m_document, m_pTabs);
        layout->addWidget(m_pPanel);
        layout->addWidget(m_pTabs, 1);
        m_pField = m_pPanel->findChild<UIHistoryLineEdit*>();
    }

    QString path(const QString& name) const { return m_folder.filePath(name); }

    QTemporaryDir m_folder;
    TalvexDocument m_document;
    QWidget m_window;
    QTabWidget* m_pTabs;
    TalvexSOFileWidget* m_pPanel;
    UIHistoryLineEdit* m_pField;
};
}

class tst_TalvexSOFileWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        // As the program does, so that files may hold driver-bound axes.
        TalvexSOAxisFactory::instance().registerKind<TalvexSOTalvexPelmoraAxis>();
    }

    void init()
    {
        // An empty history for every test.
        TalvexGlobalSettings settings;
        while (!settings.history(TalvexGlobalSettings::s_soConfigurations).isEmpty())
        {
            QSettings(QSettings::NativeFormat, QSettings::UserScope, "Veltramonde", "TalvexStudio").clear();
            settings.load();
        }
    }

    // Failures of loading, for open and for edit alike: the box says why, no dialog opens and
    // no tab is added.
    void loadFailures_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("box");

        QTest::newRow("empty field") << "" << QByteArray()
                                     << "Edit Talvex-SO configuration: No configuration file specified!";
        QTest::newRow("missing file") << "missing.tso" << QByteArray()
                                      << "Loading Talvex-SO configuration: Unable to load configuration from:\n%1";
        QTest::newRow("not a configuration")
            << "text.tso" << QByteArray("hello")
            << "Loading configuration: Unexpected file header. The file is corrupted or not a configuration file.";
        QByteArray version2;
        {
            QDataStream out(&version2, QIODevice::WriteOnly);
            out << s_header << qint32(2);
        }
        QTest::newRow("file version 2")
            << "v2.tso" << version2
            << "Loading configuration: Unsupported version (2) found (src\\TalvexSODocument:117).\n"
               "Configuration could not be loaded.";
        QByteArray axisVersion = bytesOf(TalvexSODocument());
        // The last field is axis 3's data version.
        axisVersion.chop(4);
        {
            QDataStream out(&axisVersion, QIODevice::Append);
            out << qint32(0);
        }
        QTest::newRow("axis 3 of version 0")
            << "axis.tso" << axisVersion
            << "Loading configuration: Unsupported version (0) found (src\\TalvexSONullAxis:103).\n"
               "Configuration could not be loaded.";
    }

    void loadFailures()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, contents);
        QFETCH(QString, box);

        for (const char* action : {"Open", "Edit"})
        {
            Panel panel;
            const QString path = fileName.isEmpty() ? QString() : panel.path(fileName);
            if (!contents.isEmpty())
                writeFile(path, contents);
            panel.m_pField->setCurrentText(path);
            ModalAnswers answers;
            for (QPushButton* button : panel.m_pPanel->findChildren<QPushButton*>())
                if (button->text() == action)
                    button->pressed();
            QCOMPARE(answers.m_boxes, QStringList(QString(box).replace("%1", path)));
            QCOMPARE(answers.m_windows, QStringList());
            QCOMPARE(panel.m_pTabs->count(), 0);
            QCOMPARE(panel.m_document.globalSettings()->history(TalvexGlobalSettings::s_soConfigurations),
                QStringList());
        }
    }

    // A new configuration starts from the device document's and goes to the chosen file, which
    // gets the ".tso" suffix when it has none.
    void newConfiguration_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");

        QTest::newRow("with suffix") << "table.tso" << "table.tso";
        QTest::newRow("without suffix") << "table" << "table.tso";
        QTest::newRow("another suffix") << "table.cfg" << "table.cfg";
    }

    void newConfiguration()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);

        Panel panel;
        *panel.m_document.soDocument() = xyTable("VTAH010010001", "VTAH01001XXXX");
        panel.m_document.soDocument()->applicationConfiguration().setValue(
            TalvexSOApplicationConfiguration::TableSizeX, 321.0);
        const QByteArray before = bytesOf(*panel.m_document.soDocument());
        ModalAnswers answers;
        answers.add(saveDialog(40.0));
        answers.add(ModalAnswers::chooseFile(panel.path(chosen)));
        panel.m_pPanel->onNewConfiguration();

        QCOMPARE(answers.m_windows, QStringList({"TalvexSOConfigDialog", "QFileDialog"}));
        QCOMPARE(answers.m_boxes, QStringList());
        QCOMPARE(panel.m_pField->text(), panel.path(written));
        TalvexSODocument expected = *panel.m_document.soDocument();
        expected.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::Speed, 40.0);
        QCOMPARE(fileBytes(panel.path(written)), bytesOf(expected));
        // The device document is only read.
        QCOMPARE(bytesOf(*panel.m_document.soDocument()), before);
    }

    void newConfigurationCancelled_data()
    {
        QTest::addColumn<bool>("atTheDialog");
        QTest::newRow("configuration dialog") << true;
        QTest::newRow("save dialog") << false;
    }

    void newConfigurationCancelled()
    {
        QFETCH(bool, atTheDialog);

        Panel panel;
        *panel.m_document.soDocument() = xyTable("VTAH010010001", "VTAH010010002");
        panel.m_pField->setCurrentText("kept.tso");
        ModalAnswers answers;
        answers.add(atTheDialog ? cancelDialog() : saveDialog());
        if (!atTheDialog)
            answers.add(ModalAnswers::chooseFile(QString()));
        panel.m_pPanel->onNewConfiguration();

        QCOMPARE(answers.pending(), 0);
        QCOMPARE(answers.m_windows.count(), atTheDialog ? 1 : 2);
        QCOMPARE(answers.m_boxes, QStringList());
        QCOMPARE(panel.m_pField->text(), QString("kept.tso"));
        QCOMPARE(QDir(panel.m_folder.path()).entryList(QDir::Files), QStringList());
    }

    void editConfiguration()
    {
        Panel panel;
        const QString path = panel.path("table.tso");
        const TalvexSODocument stored = xyTable("VTAH010010001", "VTAH010010002");
        writeFile(path, bytesOf(stored));
        panel.m_pField->setCurrentText(path);

        {
            ModalAnswers answers;
            answers.add(cancelDialog());
            panel.m_pPanel->onEditConfiguration();
            QCOMPARE(answers.m_windows, QStringList({"TalvexSOConfigDialog"}));
            QCOMPARE(fileBytes(path), bytesOf(stored));
        }
        {
            ModalAnswers answers;
            answers.add(saveDialog(75.0));
            panel.m_pPanel->onEditConfiguration();
            QCOMPARE(answers.m_windows, QStringList({"TalvexSOConfigDialog"}));
            QCOMPARE(answers.m_boxes, QStringList());
            TalvexSODocument expected = stored;
            expected.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::Speed, 75.0);
            QCOMPARE(fileBytes(path), bytesOf(expected));
        }
    }

    // A save that cannot be done says so and leaves what was there.
    void saveFailures()
    {
        Panel panel;
        const QString path = panel.path("table.tso");
        writeFile(path, bytesOf(xyTable("VTAH010010001", "VTAH010010002")));
        panel.m_pField->setCurrentText(path);
        ModalAnswers answers;
        // The file becomes a folder while the dialog is open.
        answers.add([&](QWidget* window) {
            QFile::remove(path);
            QDir().mkdir(path);
            saveDialog()(window);
        });
        panel.m_pPanel->onEditConfiguration();
        QCOMPARE(answers.m_boxes,
            QStringList("Saving new Talvex-SO configuration: Unable to save configuration to:\n" + path));
        QVERIFY(QFileInfo(path).isDir());

        *panel.m_document.soDocument() = xyTable("VTAH010010001", "VTAH010010002");
        const QString unreachable = panel.path("no-such-folder/new.tso");
        answers.m_boxes.clear();
        answers.add(saveDialog());
        answers.add(ModalAnswers::chooseFile(unreachable));
        panel.m_pPanel->onNewConfiguration();
        QCOMPARE(answers.m_boxes,
            QStringList("Saving new Talvex-SO configuration: Unable to save configuration to:\n" + unreachable));
        QCOMPARE(panel.m_pField->text(), path);
    }

    // Each open adds a "Geometry" tab with the file's configuration and puts the file first in
    // the history.
    void openConfiguration()
    {
        Panel panel;
        const QString first = panel.path("first.tso");
        const QString second = panel.path("second.tso");
        TalvexSODocument stored = xyTable("VTAH010010001", "VTAH010010002");
        writeFile(first, bytesOf(stored));
        writeFile(second, bytesOf(stored));

        ModalAnswers answers;
        for (const QString& path : {first, second, first})
        {
            panel.m_pField->setCurrentText(path);
            panel.m_pPanel->onOpenConfiguration();
        }
        QCOMPARE(answers.m_boxes, QStringList());
        QCOMPARE(answers.m_windows, QStringList());
        QCOMPARE(panel.m_pTabs->count(), 3);
        for (int i = 0; i < panel.m_pTabs->count(); ++i)
        {
            QCOMPARE(panel.m_pTabs->tabText(i), QString("Geometry"));
            QVERIFY(qobject_cast<TalvexXYAppTab*>(panel.m_pTabs->widget(i)));
        }
        QCOMPARE(panel.m_pTabs->currentIndex(), 2);
        QCOMPARE(panel.m_document.globalSettings()->history(TalvexGlobalSettings::s_soConfigurations),
            QStringList({first, second}));
        QCOMPARE(panel.m_pField->itemText(0), first);
        QCOMPARE(panel.m_pField->count(), 2);
    }

    void browse()
    {
        Panel panel;
        const QString path = panel.path("chosen.tso");
        writeFile(path, bytesOf(TalvexSODocument()));
        panel.m_pField->setCurrentText("before.tso");
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(QString()));
        panel.m_pPanel->onBrowseConfiguration();
        QCOMPARE(panel.m_pField->text(), QString("before.tso"));
        answers.add(ModalAnswers::chooseFile(path));
        panel.m_pPanel->onBrowseConfiguration();
        QCOMPARE(panel.m_pField->text(), path);
        QCOMPARE(answers.m_windows, QStringList({"QFileDialog", "QFileDialog"}));
    }

    // Keeps a picture of the panel over an opened configuration in TALVEX_GRAB_DIR, when it is
    // set, for looking at.
    void picture()
    {
        const QString folder = qEnvironmentVariable("TALVEX_GRAB_DIR");
        if (folder.isEmpty())
            QSKIP("TALVEX_GRAB_DIR is not set");
        Panel panel;
        const QString path = panel.path("table.tso");
        writeFile(path, bytesOf(xyTable("VTAH010010001", "VTAH010010002")));
        panel.m_pField->setCurrentText(path);
        panel.m_pPanel->onOpenConfiguration();
        panel.m_window.resize(800, 600);
        panel.m_window.show();
        QVERIFY(panel.m_window.grab().save(folder + "/so-file-panel.png"));
    }

private:
    SettingsSandbox m_settings;
};

TALVEX_TEST(tst_TalvexSOFileWidget)
#include "tst_TalvexSOFileWidget.moc"
