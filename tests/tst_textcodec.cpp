// The decoders for server file names, the byte-length limits and the system
// code page (GB18030) round trip.
#include "common/TextCodec.h"

#include <QTest>

namespace {
QString u8(const char *text) { return QString::fromUtf8(text); }
}

class TestTextCodec : public QObject
{
    Q_OBJECT
private slots:
    void percentDecodeUtf8_data();
    void percentDecodeUtf8();
    void percentDecodeAuto_data();
    void percentDecodeAuto();
    void hexValue_data();
    void hexValue();
    void primitives();
    void leftBytesAnsi_data();
    void leftBytesAnsi();
    void rareCharactersSurvive();
    void leftBytesUtf8KeepsWholeCharacters();
    void hostileMegabyte();
};

void TestTextCodec::percentDecodeUtf8_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("run spans escapes") << u8("%E4%B8%AD.pdf") << u8("中.pdf");
    QTest::newRow("plus and space") << u8("a+b%20c") << u8("a b c");
    QTest::newRow("plus between runs") << u8("%E4%B8%AD+%E6%96%87") << u8("中 文");
    QTest::newRow("%u lower digits") << u8("%u4e2d") << u8("中");
    QTest::newRow("%U is no code unit") << u8("%U4E2D") << u8("E2D");
    QTest::newRow("plain") << u8("abc") << u8("abc");
    QTest::newRow("four-byte UTF-8") << u8("%F0%A0%80%80") << u8("𠀀");
    // A broken escape is a zero byte: it ends its run, the walk goes on.
    QTest::newRow("broken escape ends run") << u8("%41%zz%42x") << u8("Ax");
    QTest::newRow("bad %u appends nothing") << u8("a%uXYZWb") << u8("ab");
    QTest::newRow("percent at end") << u8("a%") << u8("a");
    QTest::newRow("short %u at end") << u8("a%u12") << u8("a");
    QTest::newRow("malformed UTF-8") << u8("%FFa") << u8("\xEF\xBF\xBD" "a");
    // The system code page holds every character: nothing becomes "?".
    QTest::newRow("rare literal kept") << u8("𠀀㐀+€") << u8("𠀀㐀 €");
}

void TestTextCodec::percentDecodeUtf8()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(PercentDecodeUtf8(in), out);
}

void TestTextCodec::percentDecodeAuto_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("UTF-8 from first lead") << u8("%E4%B8%AD") << u8("中");
    QTest::newRow("GBK") << u8("%D6%D0%CE%C4") << u8("中文");
    QTest::newRow("ambiguous then UTF-8 restarts") << u8("%C4%A3%E4%B8%AD") << u8("ģ中");
    QTest::newRow("ambiguous alone is GBK") << u8("%C4%A3.pdf") << u8("模.pdf");
    QTest::newRow("ambiguous then GBK") << u8("%C4%A3%D6%D0") << u8("模中");
    QTest::newRow("unchanged") << u8("report.pdf") << u8("report.pdf");
    QTest::newRow("plus") << u8("a+b") << u8("a b");
    QTest::newRow("escaped plus stays") << u8("a%2Bb") << u8("a+b");
    QTest::newRow("every escape decoded") << u8("x%41y%42z") << u8("xAyBz");
    QTest::newRow("%u either case") << u8("%u4E2D%U6587") << u8("中文");
    QTest::newRow("four-byte UTF-8") << u8("%F0%9F%98%80%E4%B8%AD") << u8("😀中");
    QTest::newRow("GB18030 four-byte") << u8("%95%32%82%36") << u8("𠀀");
    QTest::newRow("GBK trail as literal") << u8("%B0A") << u8("癆");
    // An overlong "/" must not come out as a separator.
    QTest::newRow("overlong slash") << u8("%C0%AF%E4%B8%AD") << u8("\xEF\xBF\xBD中");
    QTest::newRow("literal percent kept") << u8("100%.pdf") << u8("100%.pdf");
    QTest::newRow("bad %u kept") << u8("%uZZ") << u8("%uZZ");
    QTest::newRow("lone lead at end") << u8("a%D6") << u8("a\xEF\xBF\xBD");
    QTest::newRow("lead before space") << u8("%D6%20x") << u8("\xEF\xBF\xBD x");
}

void TestTextCodec::percentDecodeAuto()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(PercentDecodeAuto(in), out);
}

void TestTextCodec::hexValue_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<qint64>("value");
    QTest::newRow("lower") << u8("ff") << qint64(255);
    QTest::newRow("spaces trimmed") << u8(" 1A ") << qint64(26);
    QTest::newRow("eight digits") << u8("FFFFFFFF") << qint64(0xFFFFFFFFLL);
    QTest::newRow("nine digits") << u8("123456789") << qint64(-1);
    QTest::newRow("empty") << QString() << qint64(-1);
    QTest::newRow("not hex") << u8("1g") << qint64(-1);
    QTest::newRow("tab not trimmed") << u8("\t1") << qint64(-1);
}

void TestTextCodec::hexValue()
{
    QFETCH(QString, in);
    QFETCH(qint64, value);
    QCOMPARE(HexValue(in), value);
}

void TestTextCodec::primitives()
{
    QCOMPARE(Utf8BytesToText(QByteArray("a\0b", 3)), u8("a"));
    QCOMPARE(Utf8BytesToText(QByteArray()), QString());
    const QString broken = Utf8BytesToText(QByteArray("\xE4\xB8"));
    QVERIFY(!broken.isEmpty());
    QCOMPARE(broken, QString(broken.size(), QChar(QChar::ReplacementCharacter)));
    QCOMPARE(StripControlChars(u8("  a\r\nb\tc  ")), u8("abc"));
    QCOMPARE(StripControlChars(QString::fromUtf16(u"\ra\0b\n\u3000", 7)), QString::fromUtf16(u"ab\u3000"));
    QCOMPARE(TrimSpaces(u8(" \ta ")), u8("\ta"));
}

void TestTextCodec::leftBytesAnsi_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    const QString zhong = u8("中");
    QTest::newRow("150 Chinese whole") << zhong.repeated(150) << zhong.repeated(150);
    QTest::newRow("250 Chinese to 200") << zhong.repeated(250) << zhong.repeated(200);
    QTest::newRow("500 ASCII to 400") << u8("a").repeated(500) << u8("a").repeated(400);
    // The 400th byte would be half a character: the character is dropped.
    QTest::newRow("half pair dropped") << u8("a") + zhong.repeated(250) << u8("a") + zhong.repeated(199);
    QTest::newRow("four-byte char whole")
        << u8("a").repeated(397) + u8("𠀀") << u8("a").repeated(397);
    QTest::newRow("four-byte char fits") << u8("a").repeated(396) + u8("𠀀b") << u8("a").repeated(396) + u8("𠀀");
}

void TestTextCodec::leftBytesAnsi()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(LeftBytesAnsi(in, 200), out);
}

void TestTextCodec::rareCharactersSurvive()
{
    // Outside GBK: CJK extension B, a Euro sign, an emoji, a Korean syllable.
    const QString rare = u8("𠀀𠀁€😀한中文");
    QCOMPARE(DecodeAnsi(EncodeAnsi(rare)), rare);
    QVERIFY(!EncodeAnsi(rare).contains('?'));
    // Two titles that differ only in a rare character stay different.
    QVERIFY(LeftBytesAnsi(u8("报告𠀀"), 200) != LeftBytesAnsi(u8("报告𠀁"), 200));
    QCOMPARE(EncodeAnsi(u8("中")), QByteArray("\xD6\xD0"));
    // An unpaired surrogate becomes U+FFFD, not a control character.
    QCOMPARE(DecodeAnsi(EncodeAnsi(QString(QChar(0xD800)))), QString(QChar(QChar::ReplacementCharacter)));
}

void TestTextCodec::leftBytesUtf8KeepsWholeCharacters()
{
    const QString emoji = u8("😀").repeated(10); // 4 bytes each
    QCOMPARE(Utf8Length(emoji), 40);
    QCOMPARE(LeftBytesUtf8(emoji, 39), u8("😀").repeated(9));
    QCOMPARE(LeftBytesUtf8(u8("a中"), 3), u8("a"));
    QCOMPARE(LeftBytesUtf8(u8("a中"), 4), u8("a中"));
    QCOMPARE(LeftBytesUtf8(u8("abc"), 0), QString());
    QCOMPARE(ReplaceUnpairedSurrogates(u8("a") + QChar(0xDC00) + u8("😀") + QChar(0xD800)),
             u8("a\xEF\xBF\xBD😀\xEF\xBF\xBD"));
}

void TestTextCodec::hostileMegabyte()
{
    // A megabyte of broken escapes, NULs, lone surrogates and switches between
    // ambiguous and UTF-8 bytes must come back at all (no quadratic walk).
    const QString chunk = u8("%C4%A3%%u12%zz%U%E4%B8") + QChar(0) + QChar(0xD800) + u8("+\r\n\t%uD83D");
    const QString hostile = chunk.repeated((1 << 20) / chunk.size()) + u8("%E4%B8%AD%");
    QVERIFY(PercentDecodeUtf8(hostile).size() <= hostile.size());
    QVERIFY(PercentDecodeAuto(hostile).size() <= hostile.size());
    QVERIFY(!StripControlChars(hostile).contains(u'\n'));
    QVERIFY(Utf8Length(LeftBytesAnsi(hostile, 200)) <= 400 * 2);
    QVERIFY(EncodeAnsi(hostile).size() >= hostile.size());
    QCOMPARE(HexValue(hostile), qint64(-1));
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
