#include "TalvexScriptFileFormat.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QTextCodec>

namespace
{
const QByteArray s_byteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
const char* const s_utf8 = "UTF-8";

// The line that starts at from, without its break; next becomes the start of the line after it.
QStringRef lineAt(const QString& text, int from, int& next)
{
    int end = from;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
    next = end + (text.midRef(end, 2) == QLatin1String("\r\n") ? 2 : 1);
    return text.midRef(from, end - from);
}

// The encoding that the text's declaration names, as Python finds it; empty when it names none
// or when a byte-order mark has made the file UTF-8.
QString declaredEncoding(bool byteOrderMark, const QString& text)
{
    if (byteOrderMark)
        return QString();
    const QRegularExpression declaration(QStringLiteral("^[ \\t\\f]*#.*?coding[:=][ \\t]*([-A-Za-z0-9_.]+)"));
    const QRegularExpression blankOrComment(QStringLiteral("^[ \\t\\f]*(#|$)"));
    int next = 0;
    const QStringRef first = lineAt(text, 0, next);
    QRegularExpressionMatch match = declaration.match(first);
    if (!match.hasMatch() && blankOrComment.match(first).hasMatch() && next < text.size())
        match = declaration.match(lineAt(text, next, next));
    return match.captured(1);
}

// The codec of a declared encoding (none declared: UTF-8), null when Qt does not know it. The
// names are taken as Python takes them, by their first 12 characters: "utf-8-sig" is UTF-8,
// "latin-1-unix" Latin-1.
QTextCodec* codecFor(const QString& declared)
{
    const QString name = declared.left(12).toLower().replace('_', '-');
    if (declared.isEmpty() || name == QLatin1String("utf-8") || name.startsWith(QLatin1String("utf-8-")))
        return QTextCodec::codecForName(s_utf8);
    for (const char* latin1 : {"latin-1", "iso-8859-1", "iso-latin-1"})
        if (name == QLatin1String(latin1) || name.startsWith(QLatin1String(latin1) + '-'))
            return QTextCodec::codecForName("ISO-8859-1");
    return QTextCodec::codecForName(declared.toLatin1());
}

QString toText(QTextCodec* codec, const QByteArray& bytes)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    return codec->toUnicode(bytes.constData(), bytes.size(), &state);
}

QByteArray toBytes(QTextCodec* codec, const QString& text)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    return codec->fromUnicode(text.constData(), text.size(), &state);
}

// Text and bytes that convert into each other both ways with nothing replaced or left over.
bool convertExactly(QTextCodec* codec, const QString& text, const QByteArray& bytes)
{
    QTextCodec::ConverterState toTextState(QTextCodec::IgnoreHeader);
    QTextCodec::ConverterState toBytesState(QTextCodec::IgnoreHeader);
    return codec->toUnicode(bytes.constData(), bytes.size(), &toTextState) == text
        && codec->fromUnicode(text.constData(), text.size(), &toBytesState) == bytes
        && toTextState.invalidChars == 0 && toTextState.remainingChars == 0
        && toBytesState.invalidChars == 0 && toBytesState.remainingChars == 0;
}

QString unknownEncoding(const QString& declared)
{
    return QStringLiteral("It declares the encoding \"%1\", which is unknown.").arg(declared);
}

// Why text cannot be written: the first character that the codec cannot hold, and its line.
QString cannotHold(QTextCodec* codec, const QString& declared, const QString& text)
{
    const QString encoding = declared.isEmpty() ? QString::fromLatin1(s_utf8) : declared;
    int line = 1;
    for (int i = 0; i < text.size();)
    {
        const int length = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (!convertExactly(codec, character, toBytes(codec, character)))
            return QStringLiteral("The encoding %1 cannot hold the character \"%2\" on line %3.")
                .arg(encoding, character)
                .arg(line);
        if (text[i] == '\n')
            ++line;
        i += length;
    }
    return QStringLiteral("The encoding %1 cannot hold the text.").arg(encoding);
}
}

bool TalvexScriptFileFormat::read(const QByteArray& bytes, QString& text, QString& error)
{
    const bool byteOrderMark = bytes.startsWith(s_byteOrderMark);
    const QByteArray body = byteOrderMark ? bytes.mid(s_byteOrderMark.size()) : bytes;
    // A declaration is ASCII, which Latin-1 shows as it is whatever the encoding.
    const QString declared = declaredEncoding(byteOrderMark, QString::fromLatin1(body));
    QTextCodec* codec = codecFor(declared);
    if (!codec)
    {
        error = unknownEncoding(declared);
        return false;
    }
    const QString decoded = toText(codec, body);
    // An encoding that does not keep ASCII as it is would not show the declaration it was read by.
    if (!convertExactly(codec, decoded, body) || declaredEncoding(byteOrderMark, decoded) != declared)
    {
        if (byteOrderMark)
            error = QStringLiteral("It begins with a UTF-8 byte-order mark but is not UTF-8 text.");
        else if (declared.isEmpty())
            error = QStringLiteral("It is not UTF-8 text and declares no other encoding (such as "
                                   "\"# -*- coding: latin-1 -*-\" on its first line).");
        else
            error = QStringLiteral("It is not %1 text, the encoding that it declares.").arg(declared);
        return false;
    }
    m_byteOrderMark = byteOrderMark;
    const int lineBreak = decoded.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (lineBreak >= 0)
        m_lineBreak = decoded.midRef(lineBreak, 2) == QLatin1String("\r\n") ? QStringLiteral("\r\n") : decoded.mid(lineBreak, 1);
    text = QString(decoded).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    return true;
}

bool TalvexScriptFileFormat::write(const QString& text, QByteArray& bytes, QString& error) const
{
    const QString declared = declaredEncoding(m_byteOrderMark, text);
    QTextCodec* codec = codecFor(declared);
    if (!codec)
    {
        error = unknownEncoding(declared);
        return false;
    }
    const QString withBreaks = QString(text).replace('\n', m_lineBreak);
    const QByteArray encoded = toBytes(codec, withBreaks);
    if (!convertExactly(codec, withBreaks, encoded))
    {
        error = cannotHold(codec, declared, text);
        return false;
    }
    bytes = m_byteOrderMark ? s_byteOrderMark + encoded : encoded;
    return true;
}
