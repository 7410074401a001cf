#include "TestRegistry.h"

#include "TalvexScriptFileFormat.h"

#include <QTest>

// A script file's encoding and line breaks, read from its bytes and written back.
class tst_TalvexScriptFileFormat : public QObject
{
    Q_OBJECT

private slots:
    // The text of a file's bytes, and the bytes that the unchanged text is written back as; or
    // why the bytes are not text.
    void reads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("rewritten");
        QTest::addColumn<QString>("error");
        const QString notUtf8 = "It is not UTF-8 text and declares no other encoding (such as "
                                "\"# -*- coding: latin-1 -*-\" on its first line).";

        const QByteArray latin1 = "# -*- coding: latin-1 -*-\nprint('caf\xe9\xa0!')\n";
        QTest::newRow("Latin-1 declared, a no-break space")
            << latin1 << QString::fromUtf8("# -*- coding: latin-1 -*-\nprint('café\u00a0!')\n") << latin1 << QString();
        const QByteArray utf8 = "print('caf\xc3\xa9')\n";
        QTest::newRow("UTF-8") << utf8 << QString::fromUtf8("print('café')\n") << utf8 << QString();
        const QByteArray byteOrderMark = "\xef\xbb\xbfprint('caf\xc3\xa9')\n";
        QTest::newRow("UTF-8 with a byte-order mark")
            << byteOrderMark << QString::fromUtf8("print('café')\n") << byteOrderMark << QString();
        const QByteArray crlf = "# coding: latin-1\r\nprint('caf\xe9')\r\n";
        QTest::newRow("CRLF") << crlf << QString::fromUtf8("# coding: latin-1\nprint('café')\n") << crlf << QString();
        const QByteArray cr = "a = 1\rb = 2\r";
        QTest::newRow("CR") << cr << "a = 1\nb = 2\n" << cr << QString();
        QTest::newRow("mixed line breaks: written with the first")
            << QByteArray("a = 1\r\nb = 2\nc = 3\r\n") << "a = 1\nb = 2\nc = 3\n" << QByteArray("a = 1\r\nb = 2\r\nc = 3\r\n")
            << QString();
        const QByteArray secondLine = "#!/usr/bin/env python3\n# vim: set fileencoding=latin-1 :\nprint('caf\xe9')\n";
        QTest::newRow("declared on line 2 below a comment")
            << secondLine << QString::fromUtf8("#!/usr/bin/env python3\n# vim: set fileencoding=latin-1 :\nprint('café')\n")
            << secondLine << QString();
        const QByteArray belowBlank = "\n# coding=latin-1\nprint('caf\xe9')\n";
        QTest::newRow("declared on line 2 below a blank line")
            << belowBlank << QString::fromUtf8("\n# coding=latin-1\nprint('café')\n") << belowBlank << QString();
        const QByteArray emacs = "# -*- coding: latin-1-unix -*-\nprint('caf\xe9')\n";
        QTest::newRow("declared with an Emacs name")
            << emacs << QString::fromUtf8("# -*- coding: latin-1-unix -*-\nprint('café')\n") << emacs << QString();
        const QByteArray windows = "# coding: cp1252\nprint('\x80')\n";
        QTest::newRow("Windows-1252 declared") << windows << QString::fromUtf8("# coding: cp1252\nprint('€')\n") << windows
                                               << QString();
        const QByteArray thirdLine = "#!/usr/bin/env python3\n#\n# coding: latin-1\nprint('caf\xc3\xa9')\n";
        QTest::newRow("declared on line 3: UTF-8")
            << thirdLine << QString::fromUtf8("#!/usr/bin/env python3\n#\n# coding: latin-1\nprint('café')\n") << thirdLine
            << QString();
        const QByteArray belowCode = "import os\n# coding: latin-1\nprint('caf\xc3\xa9')\n";
        QTest::newRow("declared on line 2 below code: UTF-8")
            << belowCode << QString::fromUtf8("import os\n# coding: latin-1\nprint('café')\n") << belowCode << QString();
        QTest::newRow("empty") << QByteArray() << QString() << QByteArray() << QString();

        QTest::newRow("not UTF-8, nothing declared") << QByteArray("print('caf\xe9')\n") << QString() << QByteArray() << notUtf8;
        QTest::newRow("declared on line 3: not UTF-8")
            << QByteArray("#!/usr/bin/env python3\n#\n# coding: latin-1\nprint('caf\xe9')\n") << QString() << QByteArray()
            << notUtf8;
        QTest::newRow("UTF-8 cut short") << QByteArray("print('caf\xc3") << QString() << QByteArray() << notUtf8;
        QTest::newRow("unknown encoding declared") << QByteArray("# coding: klingon\nprint(1)\n") << QString() << QByteArray()
                                                   << "It declares the encoding \"klingon\", which is unknown.";
        QTest::newRow("not the UTF-8 declared") << QByteArray("# coding: utf-8\nprint('caf\xe9')\n") << QString()
                                                << QByteArray() << "It is not utf-8 text, the encoding that it declares.";
        QTest::newRow("not the ASCII declared") << QByteArray("# coding: ascii\nprint('caf\xe9')\n") << QString()
                                                << QByteArray() << "It is not ascii text, the encoding that it declares.";
        QTest::newRow("UTF-16 declared: the declaration is not UTF-16")
            << QByteArray("# coding: utf-16\nprint(123)\n") << QString() << QByteArray()
            << "It is not utf-16 text, the encoding that it declares.";
        QTest::newRow("a byte-order mark, then not UTF-8")
            << QByteArray("\xef\xbb\xbfprint('caf\xe9')\n") << QString() << QByteArray()
            << "It begins with a UTF-8 byte-order mark but is not UTF-8 text.";
    }

    void reads()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(QByteArray, rewritten);
        QFETCH(QString, error);
        TalvexScriptFileFormat format;
        QString read;
        QString refusal;
        QCOMPARE(format.read(file, read, refusal), error.isEmpty());
        QCOMPARE(refusal, error);
        if (!error.isEmpty())
            return;
        QCOMPARE(read, text);
        QByteArray written;
        QVERIFY(format.write(read, written, refusal));
        QCOMPARE(written, rewritten);
    }

    // What an edited text is written as, in the form of the file it was read from (none: a new
    // script's); or why it cannot be. The text's own declaration decides the encoding.
    void writes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString added = QString::fromUtf8("# coding: latin-1\nprint('ü')\n");
        QTest::newRow("Latin-1, CRLF") << QByteArray("# coding: latin-1\r\n") << added
                                       << QByteArray("# coding: latin-1\r\nprint('\xfc')\r\n") << QString();
        QTest::newRow("a byte-order mark kept")
            << QByteArray("\xef\xbb\xbfx = 1\n") << QString::fromUtf8("x = 1\nprint('ü')\n")
            << QByteArray("\xef\xbb\xbfx = 1\nprint('\xc3\xbc')\n") << QString();
        QTest::newRow("a new script: UTF-8") << QByteArray() << QString::fromUtf8("print('ü ✓')\n")
                                             << QByteArray("print('\xc3\xbc \xe2\x9c\x93')\n") << QString();
        QTest::newRow("a new script declaring Latin-1") << QByteArray() << added
                                                        << QByteArray("# coding: latin-1\nprint('\xfc')\n") << QString();
        QTest::newRow("the declaration taken away: UTF-8")
            << QByteArray("# coding: latin-1\n") << QString::fromUtf8("print('ü')\n") << QByteArray("print('\xc3\xbc')\n")
            << QString();

        QTest::newRow("a character Latin-1 cannot hold")
            << QByteArray("# coding: latin-1\r\n") << QString::fromUtf8("# coding: latin-1\nprint('ü')\nprint('✓')\n")
            << QByteArray() << QString::fromUtf8("The encoding latin-1 cannot hold the character \"✓\" on line 3.");
        QTest::newRow("a character outside the BMP that ASCII cannot hold")
            << QByteArray() << QString::fromUtf8("# coding: ascii\nprint('𝄞')\n") << QByteArray()
            << QString::fromUtf8("The encoding ascii cannot hold the character \"𝄞\" on line 2.");
        QTest::newRow("an unknown encoding declared") << QByteArray() << "# coding: klingon\n" << QByteArray()
                                                      << "It declares the encoding \"klingon\", which is unknown.";
    }

    void writes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        TalvexScriptFileFormat format;
        QString read;
        QString refusal;
        QVERIFY(format.read(file, read, refusal));
        QByteArray written;
        QCOMPARE(format.write(text, written, refusal), error.isEmpty());
        QCOMPARE(refusal, error);
        QCOMPARE(written, bytes);
    }
};

TALVEX_TEST(tst_TalvexScriptFileFormat)
#include "tst_TalvexScriptFileFormat.moc"
