#pragma once

#include <QString>

class QByteArray;

// The form of one script file: its byte-order mark and line break, and the rule that decides
// its encoding. The Scripting tab reads each script through it and writes it back through it,
// so a script's file keeps its bytes where its text did not change. The encoding follows
// Python's rule for source files: a UTF-8 byte-order mark means UTF-8; else the encoding that a
// declaration names ("# -*- coding: latin-1 -*-": a comment on the first line, or on the second
// when the first is blank or a comment); else UTF-8. Both ways convert strictly: bytes that are
// not text of their encoding and text that the encoding cannot hold are refused, never replaced.
// Any thread; nothing throws, a refusal comes back as its reason.
class TalvexScriptFileFormat
{
public:
    // A new script's: no byte-order mark, "\n" line breaks.
    TalvexScriptFileFormat() = default;

    // The text of a file's bytes, with "\n" line breaks, and their form taken over: the
    // byte-order mark and the first line break, which a file of mixed breaks is written with.
    // False, with the reason in error and this form unchanged, when the bytes are not text of
    // their encoding or declare an unknown one.
    bool read(const QByteArray& bytes, QString& text, QString& error);
    // The bytes of text (with "\n" line breaks) in this form. The text's own declaration
    // decides the encoding, as it will when the file is read again. False, with the reason in
    // error, when that encoding is unknown or cannot hold a character of the text.
    bool write(const QString& text, QByteArray& bytes, QString& error) const;

private:
    bool m_byteOrderMark = false;
    QString m_lineBreak = QStringLiteral("\n");
};
