// Window lookup by name, the striped list rows, the screen size text.
#include "common/ui/WindowRoutines.h"

#include <QApplication>
#include <QListView>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QWidget>

#include <memory>

class TestWindowRoutines : public QObject
{
    Q_OBJECT
private slots:
    void isFormLoaded();
    void stripes_data();
    void stripes();
    void screenResolution();
};

void TestWindowRoutines::isFormLoaded()
{
    const auto before = QApplication::topLevelWidgets().size();
    QVERIFY(!IsFormLoaded(QStringLiteral("fFileDownload")));
    QCOMPARE(QApplication::topLevelWidgets().size(), before); // asking creates nothing
    {
        QWidget window; // loaded but never shown still counts
        window.setObjectName(QStringLiteral("fFileDownload"));
        QVERIFY(IsFormLoaded(QStringLiteral("FFILEDOWNLOAD")));
        QVERIFY(IsFormLoaded(QStringLiteral("ffileDownLoad")));
        QVERIFY(!IsFormLoaded(QStringLiteral("fWebSearch")));
        QWidget unnamed;
        QVERIFY(!IsFormLoaded(QString()));
    }
    QVERIFY(!IsFormLoaded(QStringLiteral("fFileDownload")));
}

void TestWindowRoutines::stripes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("fontPx"); // 0: the default font
    QTest::newRow("tree, download list") << QStringLiteral("tree") << 17 << 0;
    QTest::newRow("tree, analysis list") << QStringLiteral("tree") << 13 << 0;
    QTest::newRow("table") << QStringLiteral("table") << 17 << 0;
    QTest::newRow("list") << QStringLiteral("list") << 17 << 0;
    QTest::newRow("tree, analysis list, large font") << QStringLiteral("tree") << 13 << 24;
    QTest::newRow("table, large font") << QStringLiteral("table") << 17 << 24;
}

void TestWindowRoutines::stripes()
{
    QFETCH(QString, kind);
    QFETCH(int, height);
    QFETCH(int, fontPx);
    QStandardItemModel model(6, 1);
    for (int r = 0; r < 6; ++r)
        model.setItem(r, 0, new QStandardItem(QStringLiteral("r%1").arg(r)));
    std::unique_ptr<QAbstractItemView> view;
    if (kind == QLatin1String("tree"))
        view = std::make_unique<QTreeView>();
    else if (kind == QLatin1String("table"))
        view = std::make_unique<QTableView>();
    else
        view = std::make_unique<QListView>();
    view->setModel(&model);
    if (fontPx > 0) {
        QFont font = view->font();
        font.setPixelSize(fontPx);
        view->setFont(font);
    }
    // The rows are the asked height at least, and tall enough for a line of
    // Chinese text in the list's font.
    const QFontMetrics metrics(view->font());
    const int lineHeight = metrics.boundingRect(QStringLiteral("知识图谱gy")).height();
    if (fontPx > 0)
        QVERIFY(lineHeight > height);
    StripeListRows(view.get(), height);
    // Called again on resize or rebuild: still one band per row.
    StripeListRows(view.get(), height);
    view->resize(300, 250);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    view->setCurrentIndex(QModelIndex()); // no current-row highlight over the bands

    const QImage image = view->viewport()->grab().toImage();
    const QColor green(231, 248, 237);
    for (int r = 0; r < 4; ++r) {
        const QRect rect = view->visualRect(model.index(r, 0));
        const int step = view->visualRect(model.index(r + 1, 0)).top() - rect.top();
        QVERIFY(step >= height);
        QVERIFY(step >= lineHeight);
        if (fontPx == 0 && std::max(lineHeight, metrics.height()) <= height)
            QCOMPARE(step, height); // the asked height when the font fits in it
        const QColor expected = r % 2 == 0 ? green : QColor(Qt::white);
        const int x = rect.right() - 3; // right of the row's short text
        for (int y : {rect.top() + 1, rect.bottom() - 1})
            QCOMPARE(image.pixelColor(x, y), expected);
    }
}

void TestWindowRoutines::screenResolution()
{
    const QString text = ScreenResolutionText();
    QVERIFY(QRegularExpression(QStringLiteral("^[1-9][0-9]*\\*[1-9][0-9]*$")).match(text).hasMatch());
    const QSize size = QGuiApplication::primaryScreen()->size();
    QCOMPARE(text, QStringLiteral("%1*%2").arg(size.width()).arg(size.height()));
}

QTEST_MAIN(TestWindowRoutines)
#include "tst_windowroutines.moc"
