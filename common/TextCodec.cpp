#include "common/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>

namespace {

const char kAnsiCodec[] = "GB18030";

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Exactly count hexadecimal digits at pos, or -1 (also when the text ends).
int hexAt(const QString &text, qsizetype pos, int count)
{
    if (pos < 0 || pos + count > text.size())
        return -1;
    int value = 0;
    for (int k = 0; k < count; ++k) {
        const int d = hexDigit(text.at(pos + k));
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

// The byte of a two-digit escape "%XY" at pos, or -1.
int escapeAt(const QString &text, qsizetype pos)
{
    if (pos >= text.size() || text.at(pos) != u'%')
        return -1;
    return hexAt(text, pos + 1, 2);
}

// Continuation bytes a UTF-8 lead byte announces, or -1 for no lead byte.
int utf8Continuations(int byte)
{
    if (byte >= 0xC0 && byte <= 0xDF)
        return 1;
    if (byte >= 0xE0 && byte <= 0xEF)
        return 2;
    if (byte >= 0xF0 && byte <= 0xF7)
        return 3;
    if (byte >= 0xF8 && byte <= 0xFB)
        return 4;
    if (byte >= 0xFC && byte <= 0xFD)
        return 5;
    return -1;
}

bool isContinuation(int byte) { return byte >= 0x80 && byte <= 0xBF; }
bool isGbLead(int byte) { return byte >= 0x81 && byte <= 0xFE; }
bool isGbTrail(int byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE); }
bool isGbDigit(int byte) { return byte >= 0x30 && byte <= 0x39; }

// Length of the GB18030 sequence starting at pos of well-formed encoder output.
int gbSequenceLength(const QByteArray &bytes, qsizetype pos)
{
    const auto b = uchar(bytes.at(pos));
    if (b < 0x80 || !isGbLead(b) || pos + 1 >= bytes.size())
        return 1;
    return isGbDigit(uchar(bytes.at(pos + 1))) ? 4 : 2;
}

void appendCodePoint(QString &out, char32_t cp)
{
    if (cp > 0xFFFF) {
        const char16_t pair[2] = {QChar::highSurrogate(cp), QChar::lowSurrogate(cp)};
        out.append(QChar(pair[0]));
        out.append(QChar(pair[1]));
    } else {
        out.append(QChar(char16_t(cp)));
    }
}

enum class Mode { Undecided, Utf8, Ansi, Ambiguous };

// What the escaped byte at pos (value lead >= 0x80) and the escapes after it
// look like.
Mode examine(const QString &text, qsizetype pos, int lead)
{
    const int k = utf8Continuations(lead);
    if (k < 0)
        return Mode::Ansi;
    for (int j = 1; j <= k; ++j) {
        if (!isContinuation(escapeAt(text, pos + 3 * j)))
            return Mode::Ansi;
    }
    return k >= 2 ? Mode::Utf8 : Mode::Ambiguous;
}

// One walk of PercentDecodeAuto from the first "%". Answers false when the
// mode left "ambiguous" and the walk must start again.
bool decodeAutoOnce(const QString &t, qsizetype first, Mode &mode, QString &out)
{
    out = t.left(first);
    out.reserve(t.size());
    QByteArray ansi; // complete GB18030 sequences not yet decoded
    QStringDecoder decoder;
    auto flush = [&] {
        if (ansi.isEmpty())
            return;
        if (!decoder.isValid())
            decoder = QStringDecoder(kAnsiCodec, QStringConverter::Flag::Stateless);
        out += decoder.decode(ansi);
        ansi.clear();
    };
    const qsizetype n = t.size();
    qsizetype i = first;
    while (i < n) {
        const QChar c = t.at(i);
        if (c != u'%') {
            flush();
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < n && (t.at(i + 1) == u'u' || t.at(i + 1) == u'U')) {
            const int unit = hexAt(t, i + 2, 4);
            flush();
            if (unit >= 0) {
                out += QChar(char16_t(unit));
                i += 6;
            } else {
                out += c;
                ++i;
            }
            continue;
        }
        const int b = hexAt(t, i + 1, 2);
        if (b < 0x80) {
            flush();
            if (b < 0) {
                out += c; // not an escape: a literal percent sign
                ++i;
            } else {
                out += QChar(char16_t(b));
                i += 3;
            }
            continue;
        }
        if (mode == Mode::Undecided || mode == Mode::Ambiguous) {
            const Mode verdict = examine(t, i, b);
            if (mode == Mode::Ambiguous && verdict != Mode::Ambiguous) {
                mode = verdict;
                return false;
            }
            mode = verdict;
        }
        if (mode == Mode::Utf8) {
            flush();
            const int k = utf8Continuations(b);
            if (k < 0) { // a stray continuation byte: nothing
                i += 3;
                continue;
            }
            char32_t cp = char32_t(b & (0x3F >> k));
            bool whole = true;
            for (int j = 1; j <= k && whole; ++j) {
                const int cb = escapeAt(t, i + 3 * j);
                whole = isContinuation(cb);
                cp = (cp << 6) | char32_t(cb & 0x3F);
            }
            if (!whole) {
                out += QChar::ReplacementCharacter;
                i += 3;
                continue;
            }
            static const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
            const bool sound = k <= 3 && cp >= minimum[k] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
            if (sound)
                appendCodePoint(out, cp);
            else
                out += QChar::ReplacementCharacter; // overlong, surrogate or beyond Unicode
            i += 3 * (k + 1);
            continue;
        }
        // ANSI (and ambiguous): a GB18030 lead byte with its trail taken from
        // the next escape or, failing that, from the next character.
        auto byteAt = [&](qsizetype pos, qsizetype &next) -> int {
            const int e = escapeAt(t, pos);
            if (e >= 0) {
                next = pos + 3;
                return e;
            }
            if (pos < n && t.at(pos) != u'%') {
                next = pos + 1;
                return t.at(pos).unicode();
            }
            return -1;
        };
        qsizetype p2 = 0, p3 = 0, p4 = 0;
        const int b2 = isGbLead(b) ? byteAt(i + 3, p2) : -1;
        if (isGbTrail(b2)) {
            ansi += char(b);
            ansi += char(b2);
            i = p2;
            continue;
        }
        if (isGbDigit(b2)) {
            const int b3 = escapeAt(t, p2);
            p3 = p2 + 3;
            const int b4 = isGbLead(b3) ? byteAt(p3, p4) : -1;
            if (isGbDigit(b4)) {
                ansi += char(b);
                ansi += char(b2);
                ansi += char(b3);
                ansi += char(b4);
                i = p4;
                continue;
            }
        }
        // A lead without a usable trail: only the lead is spent.
        flush();
        out += QChar::ReplacementCharacter;
        i += 3;
    }
    flush();
    return true;
}

} // namespace

QString TrimSpaces(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from) == u' ')
        ++from;
    while (to > from && text.at(to - 1) == u' ')
        --to;
    return (from == 0 && to == text.size()) ? text : text.mid(from, to - from);
}

QString ReplaceUnpairedSurrogates(const QString &text)
{
    QString out;
    bool copying = false; // only copy once a lone surrogate turns up
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        const bool paired = c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate();
        if (paired) {
            if (copying) {
                out += c;
                out += text.at(i + 1);
            }
            ++i;
            continue;
        }
        const bool lone = c.isSurrogate();
        if (lone && !copying) {
            out.reserve(n);
            out += QStringView(text).left(i);
            copying = true;
        }
        if (copying)
            out += lone ? QChar(QChar::ReplacementCharacter) : c;
    }
    return copying ? out : text;
}

QString PercentDecodeUtf8(const QString &text)
{
    QString out;
    out.reserve(text.size());
    QByteArray pending;
    auto flush = [&] {
        if (!pending.isEmpty()) {
            out += Utf8BytesToText(pending);
            pending.clear();
        }
    };
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'%') {
            if (i + 1 < n && text.at(i + 1) == u'u') {
                flush();
                const int unit = hexAt(text, i + 2, 4);
                if (unit >= 0)
                    out += QChar(char16_t(unit));
                i += 6;
            } else {
                // A broken escape counts as a zero byte, which ends its run.
                pending += char(qMax(0, hexAt(text, i + 1, 2)));
                i += 3;
            }
            continue;
        }
        flush();
        // GB18030 holds every character, so the trip through the system code
        // page would give the character back unchanged; it is left out.
        out += (c == u'+') ? QChar(u' ') : c;
        ++i;
    }
    flush();
    return out;
}

QString PercentDecodeAuto(const QString &text)
{
    QString t = text;
    t.replace(u'+', u' ');
    const qsizetype first = t.indexOf(u'%');
    if (first < 0)
        return t;
    Mode mode = Mode::Undecided;
    QString out;
    // A restart only ever happens once: it leaves "ambiguous" for good.
    while (!decodeAutoOnce(t, first, mode, out)) {
    }
    return out;
}

QString Utf8BytesToText(const QByteArray &bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

qint64 HexValue(const QString &text)
{
    const QString t = TrimSpaces(text);
    if (t.isEmpty() || t.size() > 8)
        return -1;
    qint64 value = 0;
    for (const QChar c : t) {
        const int d = hexDigit(c);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

QString StripControlChars(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u != u'\r' && u != u'\n' && u != u'\0' && u != u'\t')
            out += c;
    }
    return TrimSpaces(out);
}

QString LeftBytesAnsi(const QString &text, int n)
{
    if (n <= 0)
        return QString();
    const qint64 limit = 2 * qint64(n);
    if (text.size() * 4 <= limit)
        return text; // cannot be longer than four bytes per code unit
    const QString clean = ReplaceUnpairedSurrogates(text);
    const QByteArray bytes = EncodeAnsi(clean);
    if (bytes.size() <= limit)
        return text;
    // Every code point is one GB18030 sequence: walk both side by side.
    qsizetype bytePos = 0, charPos = 0;
    while (bytePos < bytes.size() && charPos < clean.size()) {
        const int len = gbSequenceLength(bytes, bytePos);
        if (bytePos + len > limit)
            break;
        bytePos += len;
        charPos += (clean.at(charPos).isHighSurrogate() && charPos + 1 < clean.size()) ? 2 : 1;
    }
    return text.left(charPos);
}

QByteArray EncodeAnsi(const QString &text)
{
    QStringEncoder encoder(kAnsiCodec);
    return encoder.encode(ReplaceUnpairedSurrogates(text));
}

QString DecodeAnsi(const QByteArray &bytes)
{
    QStringDecoder decoder(kAnsiCodec);
    return decoder.decode(bytes);
}

int Utf8Length(const QString &text)
{
    qint64 bytes = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80) {
            bytes += 1;
        } else if (u < 0x800) {
            bytes += 2;
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3; // also a lone surrogate, written as U+FFFD
        }
    }
    return int(qMin<qint64>(bytes, std::numeric_limits<int>::max()));
}

QString LeftBytesUtf8(const QString &text, int maxBytes)
{
    if (maxBytes <= 0)
        return QString();
    qint64 bytes = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t u = text.at(i).unicode();
        int len = 3, units = 1;
        if (u < 0x80)
            len = 1;
        else if (u < 0x800)
            len = 2;
        else if (QChar::isHighSurrogate(u) && i + 1 < n && text.at(i + 1).isLowSurrogate())
            len = 4, units = 2;
        if (bytes + len > maxBytes)
            break;
        bytes += len;
        i += units;
    }
    return i == n ? text : text.left(i);
}

bool IsControlOrBidiMark(char16_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString QuotedExcerpt(const QString &text, int maxChars)
{
    QString out;
    const qsizetype shown = qMin<qsizetype>(text.size(), maxChars);
    for (qsizetype i = 0; i < shown; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\\' || c == u'"') {
            out += u'\\';
            out += QChar(c);
        } else if (c == u'\n') {
            out += QLatin1String("\\n");
        } else if (c == u'\r') {
            out += QLatin1String("\\r");
        } else if (c == u'\t') {
            out += QLatin1String("\\t");
        } else if (c < 0x100 && IsControlOrBidiMark(c)) {
            out += QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0'));
        } else if (IsControlOrBidiMark(c) || QChar::isSurrogate(c)) {
            // A lone half of a pair (the cut may fall between the halves)
            // would not print either.
            if (QChar::isHighSurrogate(c) && i + 1 < shown && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
                out += QChar(c);
                out += text.at(++i);
                continue;
            }
            out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        } else {
            out += QChar(c);
        }
    }
    if (shown < text.size())
        out += QStringLiteral("…(%1 characters)").arg(text.size());
    return out;
}

int Utf8SequenceLength(const unsigned char *p, qsizetype i, qsizetype n)
{
    const unsigned char c = p[i];
    if (c < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > n)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char t = p[i + k];
        if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

int Gb18030SequenceLength(const unsigned char *p, qsizetype i, qsizetype n)
{
    const unsigned char c = p[i];
    if (c < 0x80)
        return 1;
    if (c == 0x80 || c == 0xFF || i + 1 >= n)
        return 0;
    const unsigned char t = p[i + 1];
    if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFE))
        return 2;
    if (t >= 0x30 && t <= 0x39 && i + 3 < n && p[i + 2] >= 0x81 && p[i + 2] <= 0xFE && p[i + 3] >= 0x30
        && p[i + 3] <= 0x39)
        return 4;
    return 0;
}
