#include "download/commands/DownloadListCommands.h"

#include "common/Paths.h"
#include "common/TextCodec.h"
#include "download/commands/DesktopLauncher.h"
#include "download/core/DownloadListModel.h"
#include "download/core/FileTypes.h"
#include "platform/DialogService.h"

#include <QClipboard>
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QItemSelectionModel>
#include <QLocale>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

const QString kNotStopped = QStringLiteral("停止下载以后，才能执行此操作！");
// An address no portal can hand over; parks a row while a replace shifts
// addresses along a chain that ends where it began.
const QString kParkedPrefix = QStringLiteral("\x01parked:");

// The number a text shows (spaces around it allowed), as the size columns and
// the input boxes read it; false for words, empty texts and infinities.
bool readNumber(const QString &text, double *value)
{
    const QString t = TrimSpaces(text);
    if (t.isEmpty())
        return false;
    // Thousands separators are not part of a number here: the commands that
    // accept them remove them first.
    static const QLocale c = [] {
        QLocale l = QLocale::c();
        l.setNumberOptions(QLocale::RejectGroupSeparator);
        return l;
    }();
    bool ok = false;
    const double v = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool isFinished(RowState state)
{
    return state == RowState::Done || state == RowState::Failed;
}

QVector<bool> rowMask(int count, const QVector<int> &rows)
{
    QVector<bool> mask(count, false);
    for (int i : rows)
        if (i >= 0 && i < count)
            mask[i] = true;
    return mask;
}

// A numeric column's sort key: empty cells first, then numbers by value,
// then the status words by their text. That is the order the column's texts
// take when every number is zero-filled to one width and the texts are
// compared (digits sort before the words, an empty text before both).
struct NumericKey
{
    int rank = 0; // 0 empty, 1 number, 2 word
    qint64 value = 0;
    QString word;
};

NumericKey numericKey(const DownloadRow &r, int column)
{
    qint64 value = -1;
    RowNote note = RowNote::None;
    switch (column) {
    case DownloadListModel::ColSize: value = r.size; note = r.sizeNote; break;
    case DownloadListModel::ColReceived: value = r.received; break;
    default: value = r.percent; note = r.progressNote; break;
    }
    if (note != RowNote::None)
        return {2, 0, RowNoteText(note)};
    if (value >= 0)
        return {1, value, QString()};
    return {};
}

int compareKeys(const NumericKey &a, const NumericKey &b)
{
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.rank == 1)
        return a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
    return QString::compare(a.word, b.word, Qt::CaseInsensitive);
}

} // namespace

DownloadListCommands::DownloadListCommands(DownloadListModel &list, QObject *parent)
    : QObject(parent)
    , m_list(list)
{
}

DownloadListCommands::~DownloadListCommands() = default;

void DownloadListCommands::setRunningQueries(RunningQueries queries)
{
    m_queries = std::move(queries);
}

void DownloadListCommands::setSelectionModel(QItemSelectionModel *selection)
{
    m_selection = selection;
}

void DownloadListCommands::setLauncher(DesktopLauncher *launcher)
{
    m_launcher = launcher;
}

bool DownloadListCommands::downloadStopped() const
{
    return !m_queries.downloadStopped || m_queries.downloadStopped();
}

bool DownloadListCommands::running() const
{
    return m_queries.running && m_queries.running();
}

bool DownloadListCommands::transferBusy() const
{
    return m_queries.transferBusy && m_queries.transferBusy();
}

bool DownloadListCommands::checkStopped() const
{
    if (downloadStopped())
        return true;
    ShowInformation(kNotStopped);
    return false;
}

DesktopLauncher &DownloadListCommands::launcher() const
{
    static SystemDesktopLauncher system;
    return m_launcher ? *m_launcher : system;
}

QVector<int> DownloadListCommands::selectedRows() const
{
    QVector<int> rows;
    if (!m_selection || m_selection->model() != &m_list)
        return rows;
    for (const QItemSelectionRange &range : m_selection->selection())
        for (int i = range.top(); i <= range.bottom(); ++i)
            rows.append(i);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int DownloadListCommands::selectedRow() const
{
    if (!m_selection || m_selection->model() != &m_list)
        return -1;
    const QModelIndex current = m_selection->currentIndex();
    if (current.isValid() && m_selection->isRowSelected(current.row()))
        return current.row();
    const QVector<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

// ---------------------------------------------------------------- selecting

void DownloadListCommands::全选专利列表()
{
    if (!m_selection || m_list.count() == 0)
        return;
    const QItemSelection all(m_list.index(0, 0), m_list.index(m_list.count() - 1, DownloadListModel::ColumnCount - 1));
    m_selection->select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void DownloadListCommands::全不选()
{
    if (m_selection)
        m_selection->clearSelection();
}

// ---------------------------------------------------------------- re-download

void DownloadListCommands::RedownloadReset(DownloadListModel &list, int row, bool forceXxx)
{
    list.resetForRedownload(row, forceXxx);
}

template<typename Pred>
int DownloadListCommands::redownloadWhere(Pred pred, bool forceXxx)
{
    int reset = 0;
    for (int i = 0; i < m_list.count(); ++i) {
        if (pred(i, m_list.at(i))) {
            RedownloadReset(m_list, i, forceXxx);
            ++reset;
        }
    }
    m_list.flushChanges();
    return reset;
}

int DownloadListCommands::重新下载选中项()
{
    const QVector<bool> selected = rowMask(m_list.count(), selectedRows());
    return redownloadWhere([&](int i, const DownloadRow &r) { return selected[i] && isFinished(r.state); }, false);
}

int DownloadListCommands::重新下载出错项()
{
    return redownloadWhere([](int, const DownloadRow &r) { return r.state == RowState::Failed; }, false);
}

int DownloadListCommands::重新下载文件类型为HTM和HTML项()
{
    return redownloadWhere([](int, const DownloadRow &r) { return IsWebPageType(r.type) && isFinished(r.state); },
                           true);
}

int DownloadListCommands::重新下载出错项和网页项()
{
    return redownloadWhere(
        [](int, const DownloadRow &r) {
            return r.state == RowState::Failed || (r.state == RowState::Done && IsHtmOrHtmlType(r.type));
        },
        false);
}

int DownloadListCommands::重新下载文件大小小于指定数字的项()
{
    const std::optional<QString> answer = AskInput(QStringLiteral("请输入数字："));
    double limit = 0;
    if (!answer || !readNumber(*answer, &limit))
        return 0;
    return redownloadWhere(
        [limit](int, const DownloadRow &r) {
            return isFinished(r.state) && r.size >= 0 && r.received == r.size && double(r.size) < limit;
        },
        false);
}

// ---------------------------------------------------------------- remove

template<typename Pred>
int DownloadListCommands::removeWhere(Pred pred)
{
    if (!checkStopped())
        return 0;
    QVector<int> rows;
    for (int i = 0; i < m_list.count(); ++i)
        if (pred(i, m_list.at(i)))
            rows.append(i);
    m_list.removeRowsAt(rows);
    emit label1TextChanged(QString::number(m_list.count()) + QStringLiteral("条"));
    return int(rows.size());
}

int DownloadListCommands::清除选中项()
{
    const QVector<bool> selected = rowMask(m_list.count(), selectedRows());
    return removeWhere([&](int i, const DownloadRow &) { return selected[i]; });
}

int DownloadListCommands::清除完成项()
{
    return removeWhere([](int, const DownloadRow &r) { return r.state == RowState::Done; });
}

int DownloadListCommands::移除未完成项()
{
    return removeWhere([](int, const DownloadRow &r) { return r.state != RowState::Done; });
}

int DownloadListCommands::清除全部出错项()
{
    return removeWhere([](int, const DownloadRow &r) { return r.state == RowState::Failed; });
}

int DownloadListCommands::清空()
{
    if (!checkStopped())
        return 0;
    if (!AskYesNoPlain(QStringLiteral("您确定要清空列表的所有信息吗？")))
        return 0;
    const int removed = m_list.count();
    m_list.clear();
    emit label1TextChanged(QStringLiteral("0条"));
    return removed;
}

// ---------------------------------------------------------------- delete files

// Rows that are downloading are passed over: putting one back to Waiting
// would let the scheduler start it a second time while its transfer runs.
template<typename Pred>
int DownloadListCommands::deleteFilesWhere(Pred pred, bool toWaiting)
{
    int hit = 0;
    for (int i = 0; i < m_list.count(); ++i) {
        const DownloadRow &row = m_list.at(i);
        if (row.state == RowState::Downloading || !pred(i, row))
            continue;
        m_list.modify(i, [toWaiting](DownloadRow &r) {
            r.clearProgress();
            if (toWaiting)
                r.state = RowState::Waiting;
        });
        DeleteRowFile(m_list.at(i));
        ++hit;
    }
    m_list.flushChanges();
    return hit;
}

int DownloadListCommands::删除网页类型文件项()
{
    return deleteFilesWhere([](int, const DownloadRow &r) { return IsWebPageType(r.type) && isFinished(r.state); },
                            false);
}

int DownloadListCommands::删除出错项()
{
    return deleteFilesWhere([](int, const DownloadRow &r) { return r.state == RowState::Failed; }, false);
}

int DownloadListCommands::删除选中项文件()
{
    const QVector<bool> selected = rowMask(m_list.count(), selectedRows());
    return deleteFilesWhere([&](int i, const DownloadRow &) { return selected[i]; }, true);
}

int DownloadListCommands::删除文件大小小于指定数的()
{
    const std::optional<QString> answer = AskInput(QStringLiteral("请输入文件大小（KB），小于这个数的文件将会被全部删除！"),
                                                   QStringLiteral("删除文件大小小于指定数的全部文件"));
    double limitKb = 0;
    if (!answer || !readNumber(*answer, &limitKb)) {
        ShowError(QStringLiteral("文件大小无效！"));
        return 0;
    }
    return deleteFilesWhere(
        [limitKb](int, const DownloadRow &r) { return r.size >= 0 && double(r.size) / 1024 < limitKb; },
        true);
}

int DownloadListCommands::取消下载选中项()
{
    if (transferBusy()) {
        ShowError(QStringLiteral("停止下载后方可设置！"));
        return 0;
    }
    int cancelled = 0;
    for (int i : selectedRows()) {
        if (m_list.at(i).state == RowState::Waiting) {
            m_list.setState(i, RowState::Failed);
            ++cancelled;
        }
    }
    m_list.flushChanges();
    return cancelled;
}

// ---------------------------------------------------------------- sort, shuffle

void DownloadListCommands::sortByColumn(int column)
{
    // Refused while the scheduler runs and also while a slot still fetches
    // after the error-stop rule has switched the tick off (TransferBusy then
    // reads false): the rows stay where the user saw them start.
    if (running() || !downloadStopped()) {
        ShowInformation(QStringLiteral("停止下载后方可排序！"));
        return;
    }
    if (column < 0 || column >= DownloadListModel::ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    SortList(m_list, column, m_sortOrder);
}

void DownloadListCommands::SortList(DownloadListModel &list, int column, Qt::SortOrder order)
{
    QVector<int> newOrder(list.count());
    std::iota(newOrder.begin(), newOrder.end(), 0);
    if (column == DownloadListModel::ColB)
    {
        list.reorder(newOrder); // never written: every text empty, the order stays
        return;
    }
    const bool numeric = column == DownloadListModel::ColSize || column == DownloadListModel::ColReceived
        || column == DownloadListModel::ColProgress;
    const auto sortBy = [&](auto keys, auto compare) {
        // Stable, so rows with equal keys keep their order in both directions.
        std::stable_sort(newOrder.begin(), newOrder.end(), [&](int a, int b) {
            const int c = compare(keys[a], keys[b]);
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        });
    };
    if (numeric) {
        QVector<NumericKey> keys(list.count());
        for (int i = 0; i < list.count(); ++i)
            keys[i] = numericKey(list.at(i), column);
        sortBy(keys, compareKeys);
    } else {
        QVector<QString> keys(list.count());
        for (int i = 0; i < list.count(); ++i)
            keys[i] = DownloadListModel::cellText(list.at(i), column);
        // The interface language's text order, as a Chinese reader expects
        // it (pinyin), not the order of code points.
        QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        sortBy(keys, [&collator](const QString &a, const QString &b) { return collator.compare(a, b); });
    }
    list.reorder(newOrder);
}

// Every order is equally likely, as when rows are drawn one by one from the
// part not yet moved and appended at the end; all rows take part however
// long the list is.
void DownloadListCommands::随机排序列表()
{
    if (!checkStopped())
        return;
    QVector<int> newOrder(m_list.count());
    std::iota(newOrder.begin(), newOrder.end(), 0);
    std::shuffle(newOrder.begin(), newOrder.end(), *QRandomGenerator::global());
    m_list.reorder(newOrder);
    if (m_selection)
        m_selection->clearSelection();
    ShowInformation(QStringLiteral("随机排序完成！"));
}

// ---------------------------------------------------------------- names, addresses

void DownloadListCommands::复制名称()
{
    const int row = selectedRow();
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (m_list.count() == 0 || row < 0 || !app)
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_list.at(row).name);
}

void DownloadListCommands::导出全部名称()
{
    exportNames(false);
}

void DownloadListCommands::导出未完成项名称()
{
    exportNames(true);
}

void DownloadListCommands::exportNames(bool unfinishedOnly)
{
    if (m_list.count() == 0)
        return;
    FileDialogRequest request;
    request.filter = QStringLiteral("*.txt (*.txt)");
    request.askOverwrite = true;
    const std::optional<QString> path = DialogService::instance().saveFile(request);
    if (!path || path->isEmpty())
        return;
    QString text;
    for (int i = 0; i < m_list.count(); ++i) {
        const DownloadRow &row = m_list.at(i);
        if (!unfinishedOnly || row.state != RowState::Done)
            text += row.name + QStringLiteral("\r\n");
    }
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(EncodeAnsi(text)) < 0 || !file.commit())
        ShowError(file.errorString());
}

DownloadListCommands::ReplaceResult DownloadListCommands::replaceInAddresses(const QString &find,
                                                                             const QString &replacement)
{
    ReplaceResult result;
    if (TrimSpaces(find).isEmpty()) {
        ShowError(QStringLiteral("请输入字符串！"));
        return result;
    }
    result.replaced = true;
    const int n = m_list.count();
    QVector<QString> target(n);
    QVector<bool> collided(n, false);
    for (int i = 0; i < n; ++i)
        target[i] = QString(m_list.at(i).address).replace(find, replacement, Qt::CaseInsensitive);

    // Rows that keep their address hold it; of the rows moving to one address
    // the first in list order gets it. A row sent back to its old address may
    // take that address from a later row, so repeat until nothing moves.
    for (bool again = true; again;) {
        again = false;
        QHash<QString, int> holder;
        holder.reserve(n);
        for (int i = 0; i < n; ++i)
            if (target[i] == m_list.at(i).address)
                holder.insert(target[i], i);
        for (int i = 0; i < n; ++i) {
            if (target[i] == m_list.at(i).address)
                continue;
            if (holder.contains(target[i])) {
                target[i] = m_list.at(i).address;
                collided[i] = again = true;
            } else {
                holder.insert(target[i], i);
            }
        }
    }

    QVector<int> pending;
    for (int i = 0; i < n; ++i) {
        if (collided[i])
            continue;
        const DownloadRow &row = m_list.at(i);
        const QString referrer = QString(row.referrer).replace(find, replacement, Qt::CaseInsensitive);
        if (target[i] != row.address)
            pending.append(i);
        if (target[i] != row.address || referrer != row.referrer)
            ++result.changed;
        if (referrer != row.referrer)
            m_list.modify(i, [&referrer](DownloadRow &r) { r.referrer = referrer; });
    }
    // The model keeps addresses unique at every step, so a row whose new
    // address is still held by a row that moves on later waits for it.
    while (!pending.isEmpty()) {
        QVector<int> waiting;
        for (int i : std::as_const(pending))
            if (!m_list.modify(i, [&](DownloadRow &r) { r.address = target[i]; }))
                waiting.append(i);
        if (waiting.size() == pending.size()) {
            const int i = waiting.first();
            m_list.modify(i, [&](DownloadRow &r) { r.address = kParkedPrefix + QString::number(i); });
        }
        pending = waiting;
    }
    result.collisions = int(std::count(collided.cbegin(), collided.cend(), true));
    m_list.flushChanges();
    return result;
}

void DownloadListCommands::reportReplaceFinished(const ReplaceResult &result)
{
    ShowInformation(QStringLiteral("全部网址替换完成！"));
    if (result.collisions > 0)
        ShowWarning(QString::number(result.collisions)
                    + QStringLiteral("项替换后的网址与列表中其他项相同，保留原网址未替换。"));
}

// ---------------------------------------------------------------- file commands

bool DownloadListCommands::OpenWithAssociatedProgram(const QString &file)
{
    if (!FileExists(file)) {
        ShowError(QStringLiteral("文件不存在！"));
        return false;
    }
    if (launcher().openWithAssociatedProgram(file))
        return true;
    ShowError(QStringLiteral("打开失败！"));
    return false;
}

void DownloadListCommands::rowDoubleClicked()
{
    const int i = selectedRow();
    if (i < 0)
        return;
    const DownloadRow &row = m_list.at(i);
    if (row.state == RowState::Done) {
        OpenWithAssociatedProgram(GuardedRowFilePath(row));
    } else if (row.state == RowState::Failed) {
        DeleteRowFile(row);
        m_list.modify(i, [](DownloadRow &r) {
            r.state = RowState::Waiting;
            r.clearProgress();
        });
        m_list.flushChanges();
    }
}

void DownloadListCommands::rowClicked(int clickedRow)
{
    if (clickedRow >= 0 && clickedRow < m_list.count()) {
        const QString path = GuardedRowFilePath(m_list.at(clickedRow));
        emit statusPanelChanged(2, FileExists(path) ? path : QString());
    }
    const int i = selectedRow();
    if (i < 0)
        return;
    const QString address = m_list.at(i).address;
    emit statusPanelChanged(2, address);
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::clipboard()->clear();
        QGuiApplication::clipboard()->setText(address);
    }
}

void DownloadListCommands::statusPanelClicked(const QString &panelText)
{
    if (!panelText.isEmpty())
        launcher().openInWebBrowser(panelText);
}

void DownloadListCommands::打开下载文件()
{
    const int i = selectedRow();
    if (i < 0)
        return;
    const QString file = GuardedRowFilePath(m_list.at(i));
    if (FileExists(file))
        OpenWithAssociatedProgram(file);
    else
        ShowError(QStringLiteral("该文件不存在！"));
}

void DownloadListCommands::打开文件所在文件夹()
{
    const int i = selectedRow();
    if (i < 0)
        return;
    const DownloadRow &row = m_list.at(i);
    if (!IsAbsoluteFilePath(row.folder) || !FolderExists(row.folder)) {
        ShowError(QStringLiteral("文件夹不存在！"));
        return;
    }
    const QString file = GuardedRowFilePath(row);
    if (FileExists(file)) {
        launcher().openFolderSelecting(file, [](bool shown) {
            if (!shown)
                ShowError(QStringLiteral("打开失败！"));
        });
    } else {
        launcher().openFolder(row.folder);
    }
}

void DownloadListCommands::用记事本打开文件()
{
    const int i = selectedRow();
    if (i < 0)
        return;
    const QString file = GuardedRowFilePath(m_list.at(i));
    if (!FileExists(file)) {
        ShowError(QStringLiteral("该文件不存在！"));
        return;
    }
    if (QFileInfo(file).size() > 2048 * 1024) {
        ShowError(QStringLiteral("该文件太大，超过了2M，不便于用记事本打开！"));
        return;
    }
    launcher().openInTextEditor(file);
}

void DownloadListCommands::检查文件是否存在()
{
    for (int i = 0; i < m_list.count(); ++i) {
        const DownloadRow &row = m_list.at(i);
        if (row.progressNote != RowNote::Missing && !FileExists(GuardedRowFilePath(row)))
            m_list.modify(i, [](DownloadRow &r) { r.setProgressNote(RowNote::Missing); });
    }
    m_list.flushChanges();
}

int DownloadListCommands::检查并纠正磁盘文件类型()
{
    if (!checkStopped())
        return 0;
    int corrected = 0;
    for (int i = 0; i < m_list.count(); ++i)
        corrected += CorrectRowFileType(m_list, i) ? 1 : 0;
    m_list.flushChanges();
    ShowInformation(QStringLiteral("纠正文件类型：") + QString::number(corrected) + QStringLiteral("个."));
    return corrected;
}

void DownloadListCommands::打开文件判断类型()
{
    FileDialogRequest request;
    request.filter = QStringLiteral("*.* (*)");
    const std::optional<QString> file = DialogService::instance().openFile(request);
    if (!file || file->isEmpty())
        return;
    const QString type = 打开文件判断文件类型(*file);
    ShowInformation(type.isEmpty() ? QStringLiteral("目前还无法判断。") : QStringLiteral("文件类型为：") + type);
}
