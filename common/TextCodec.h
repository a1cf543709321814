#pragma once
// Text conversions for file names that arrive from web servers: the two
// percent-decoders used on Content-Disposition names, the hexadecimal and
// UTF-8 primitives under them, the header-value cleaner, and byte-length
// limits. The save-name routines (download/SaveNames) are the main user; the
// GB18030 helpers serve every text file the program reads or writes in the
// system code page (exports, the recent-folder list).
//
// The "ANSI code page" of the target users is GBK; we use its superset
// GB18030 throughout, so that every Unicode character survives a round trip
// and no rare character turns into "?".
#include <QByteArray>
#include <QString>

// Runs of two-digit escapes decoded as UTF-8, "%uXXXX" as one UTF-16 code
// unit, "+" as a space. A "%" without two hexadecimal digits behind it adds a
// zero byte to its run, which ends that run's text there.
QString PercentDecodeUtf8(const QString &text);

// Like PercentDecodeUtf8, but decides on its own whether the escaped bytes
// are UTF-8 or GB18030 (GBK). "%u" and "%U" both introduce a code unit. An
// escape with non-hexadecimal digits is kept as it stands.
QString PercentDecodeAuto(const QString &text);

// The bytes up to the first zero byte, decoded as UTF-8; malformed sequences
// become U+FFFD.
QString Utf8BytesToText(const QByteArray &bytes);

// The value of the text (spaces trimmed) read as one to eight hexadecimal
// digits, or -1 when it is anything else.
qint64 HexValue(const QString &text);

// The text without CR, LF, NUL and TAB characters, trimmed of spaces.
QString StripControlChars(const QString &text);

// The text cut to at most 2 * n bytes of its GB18030 encoding; a character
// that does not fit whole (two- or four-byte) is dropped, never halved.
QString LeftBytesAnsi(const QString &text, int n);

// The system code page (GB18030). Unpaired surrogates encode as U+FFFD.
QByteArray EncodeAnsi(const QString &text);
// Malformed input decodes to U+FFFD.
QString DecodeAnsi(const QByteArray &bytes);

// The text with leading and trailing spaces (U+0020 only) removed.
QString TrimSpaces(const QString &text);

// The text with every unpaired surrogate replaced by U+FFFD, so that what is
// shown is what ends up in a file name.
QString ReplaceUnpairedSurrogates(const QString &text);

// Byte length of the text in UTF-8 (what a Linux file name is limited by).
int Utf8Length(const QString &text);
// The longest leading part of the text, in whole characters (a surrogate pair
// is never split), whose UTF-8 encoding has at most maxBytes bytes.
QString LeftBytesUtf8(const QString &text, int maxBytes);

// True for a character that must never reach a file name or a terminal: the
// C0 and C1 control characters, DEL, and the invisible marks that reorder
// text (bidi embeddings, overrides and isolates, LRM, RLM, ALM), with which a
// name can show "fdp.exe" as "exe.pdf".
bool IsControlOrBidiMark(char16_t c);

// The text as a message may quote it: at most maxChars characters (an
// ellipsis "…" and the full length in characters after a longer text), with
// control characters and bidi marks written as \n, \t, \xNN or \uNNNN and
// "\" and '"' escaped, so a field of any size or content prints as one short,
// harmless piece of a line.
QString QuotedExcerpt(const QString &text, int maxChars = 80);

// Length of the well-formed UTF-8 sequence (1 to 4 bytes, no overlong form,
// no surrogate) starting at p[i] of the n bytes at p, or 0 when the bytes
// there are not one.
int Utf8SequenceLength(const unsigned char *p, qsizetype i, qsizetype n);
// Length of the well-formed GB18030 sequence (1, 2 or 4 bytes) starting at
// p[i] of the n bytes at p, or 0 when the bytes there are not one.
int Gb18030SequenceLength(const unsigned char *p, qsizetype i, qsizetype n);
