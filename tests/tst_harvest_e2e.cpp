// The road of a document end to end, through the real windows under
// offscreen QtWebEngine against the sample portal: open the home page,
// search, "加入全部到列表" across the result pages, "分析全部", start
// downloading, and every document ends Done under its title with its real
// type. And the portal's verification page ending an add-all run.
#include "common/TextCodec.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSettings.h"
#include "download/core/SaveNames.h"
#include "download/dialogs/fSeleFileSavePath.h"
#include "download/scheduler/DownloadScheduler.h"
#include "download/ui/fFileDownload.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/flow/MultiPageHarvest.h"
#include "harvest/flow/PageHarvester.h"
#include "harvest/flow/PortalAddress.h"
#include "harvest/ui/fWebSearch.h"
#include "harvest/ui/HarvestBrowserPage.h"
#include "platform/SettingsStore.h"
#include "shell/AppShell.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WebEngineWait.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <memory>

namespace {
constexpr int kLoadMs = 20000;
const QString kKeyword = QStringLiteral("量子");

struct CatalogueEntry
{
    QString type; // article type
    int typeCode = 0;
    QString kind;
    QString path;
    QString title;
};

// The portal's own listing of the result set, for the expected names and types.
QVector<CatalogueEntry> fetchCatalogue(const PortalProcess &portal)
{
    QNetworkAccessManager network;
    QNetworkReply *reply = network.get(QNetworkRequest(
        QUrl(portal.url(QStringLiteral("catalogue.txt?q=") + QString::fromUtf8(QUrl::toPercentEncoding(kKeyword))))));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(kLoadMs);
    QVector<CatalogueEntry> entries;
    for (const QString &line : QString::fromUtf8(reply->readAll()).split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (line.startsWith(u'#') || f.size() < 8)
            continue;
        QString title = f.at(7);
        title.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        entries.push_back({f.at(1), f.at(2).toInt(), f.at(3), f.at(6), title});
    }
    reply->deleteLater();
    return entries;
}

// What the window and the hand-over make of a portal title, with
// "删除标题中的空格" ticked.
QString expectedName(QString title)
{
    title.remove(u' ');
    title.remove(QChar(0x3000));
    title.remove(u'\r');
    title.remove(u'\n');
    return SanitizeFileName(TrimSpaces(title));
}

fSeleFileSavePath *openChooser()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *chooser = qobject_cast<fSeleFileSavePath *>(w); chooser && chooser->isVisible())
            return chooser;
    }
    return nullptr;
}
} // namespace

class TestHarvestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void harvestAnalyseDownload();
    void verificationPageEndsTheRun();

private:
    // Opens the harvesting window on the portal and searches for kKeyword.
    bool openAndSearch(const PortalProcess &portal);
    bool harvestAllPages();

    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppShell> m_shell; // connects the hand-over to the download window
    QPointer<fWebSearch> m_window;
};

void TestHarvestEndToEnd::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore &store = SettingsStore::instance();
    store.write(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径"), QStringLiteral("0"));
    store.write(QStringLiteral("设置"), QStringLiteral("下载文件保存路径"), m_dir.filePath(QStringLiteral("文献/")));
    DownloadSettings::instance().reset();
    m_shell = std::make_unique<AppShell>();
}

void TestHarvestEndToEnd::cleanup()
{
    if (fFileDownload *downloads = fFileDownload::instance(false))
        downloads->close();
    if (m_window)
        m_window->close();
    QVERIFY(SpinUntil([&] { return !m_window && !fFileDownload::instance(false); }));
}

bool TestHarvestEndToEnd::openAndSearch(const PortalProcess &portal)
{
    if (!PortalAddress::instance().overrideBase(portal.base()))
        return false;
    m_window = m_shell->openHarvestWindow(); // opens the portal's home page
    QWebEnginePage *page = m_window->browserPage();
    if (!WaitForPageLoad(page, [&](const QUrl &url) { return url == QUrl(portal.base()); }))
        return false;
    QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
    RunPageScript(page, QStringLiteral("document.querySelector('#searchform input[name=q]').value = '%1';"
                                   "document.getElementById('searchform').submit();")
                        .arg(kKeyword));
    return loaded.wait(kLoadMs) && m_window->browser()->url().path() == QStringLiteral("/search");
}

bool TestHarvestEndToEnd::harvestAllPages()
{
    m_window->delaySelector()->setCurrentIndex(0);
    QSignalSpy finished(&m_window->addAllRun(), &MultiPageHarvest::finished);
    m_window->addAllButton()->click();
    if (m_window->addAllButton()->text() != QStringLiteral("停止加入全部"))
        return false;
    return finished.wait(60000) && m_window->addAllButton()->text() == QStringLiteral("加入全部到列表");
}

void TestHarvestEndToEnd::harvestAnalyseDownload()
{
    PortalProcess portal({QStringLiteral("--per-page"), QStringLiteral("10")}); // 45 results on five pages
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    const QVector<CatalogueEntry> catalogue = fetchCatalogue(portal);
    QCOMPARE(catalogue.size(), 45);
    QVERIFY(openAndSearch(portal));
    QVERIFY(harvestAllPages());

    // Every result of every page once, in page order; no decoy, no sidebar.
    const AnalysisListModel &items = m_window->listModel();
    QCOMPARE(items.count(), catalogue.size());
    QCOMPARE(m_window->countLabel()->text(), QStringLiteral("45"));
    for (int i = 0; i < items.count(); ++i) {
        const CatalogueEntry &e = catalogue.at(i);
        const QString typeParam = e.typeCode ? QStringLiteral("&type=%1").arg(e.typeCode) : QString();
        QCOMPARE(items.at(i).url, portal.base() + e.path + typeParam);
        QCOMPARE(items.at(i).stype, QStringLiteral("pdf"));
        QVERIFY(items.at(i).ref.startsWith(portal.url(QStringLiteral("search?"))));
    }
    QVERIFY(m_dialogs.messages().isEmpty());

    // "分析下载" with nothing selected runs "分析全部"; the prompt setting is
    // 0, so the save-folder chooser asks first.
    m_window->analyseButton()->click();
    QVERIFY(!m_window->analyseButton()->isEnabled());
    QVERIFY(SpinUntil([] { return openChooser() != nullptr; }));
    openChooser()->Command2_Click(); // 确定 with the stored folder
    QVERIFY(SpinUntil([&] { return m_window->analyseButton()->isEnabled(); }, kLoadMs));
    for (int i = 0; i < items.count(); ++i)
        QCOMPARE(items.at(i).status, QStringLiteral("成功"));
    fFileDownload *downloads = fFileDownload::instance(false);
    QVERIFY(downloads); // loaded by the first hand-over
    QVERIFY(downloads->isVisible());
    DownloadListModel &rows = downloads->listModel();
    QCOMPARE(rows.count(), 45);

    downloads->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(5); // six slots
    downloads->findChild<QPushButton *>(QStringLiteral("CommandStart"))->click();
    QVERIFY(SpinUntil([&] { return rows.检测是否下载列表完毕() && downloads->scheduler().downloadStopped(); }, 180000));

    const QString folder = m_dir.filePath(QStringLiteral("文献/"));
    for (int i = 0; i < rows.count(); ++i) {
        const DownloadRow &row = rows.at(i);
        const CatalogueEntry &e = catalogue.at(i);
        const QString type = e.kind == QStringLiteral("html") ? QStringLiteral("htm") : e.kind;
        QVERIFY2(row.state == RowState::Done, qPrintable(QString::number(i + 1) + u' ' + ProgressText(row)));
        QCOMPARE(row.name, expectedName(e.title));
        QCOMPARE(row.type, type);
        QCOMPARE(row.folder, folder);
        QVERIFY2(QFileInfo::exists(RowFilePath(row)), qPrintable(RowFilePath(row)));
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 45);
}

void TestHarvestEndToEnd::verificationPageEndsTheRun()
{
    // Three result pages in ten minutes: the search and two next-page clicks
    // are served, the third click gets the verification page.
    PortalProcess portal({QStringLiteral("--per-page"), QStringLiteral("10"), QStringLiteral("--throttle"),
                          QStringLiteral("3/600")});
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    QVERIFY(openAndSearch(portal));
    m_dialogs.clear();
    QVERIFY(harvestAllPages());
    QCOMPARE(m_window->listModel().count(), 30);
    QVERIFY(m_window->flags().accessBlocked);
    QVERIFY(m_window->browser()->url().query().contains(QStringLiteral("page=4")));
    QVERIFY(m_dialogs.messages().isEmpty()); // the page speaks for itself
}

QTEST_MAIN(TestHarvestEndToEnd)
#include "tst_harvest_e2e.moc"
