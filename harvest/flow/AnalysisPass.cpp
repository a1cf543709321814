#include "harvest/flow/AnalysisPass.h"

#include "download/core/DownloadSettings.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/flow/HarvestFlags.h"

#include <QPointer>

namespace {
bool promptSettingOn()
{
    return DownloadSettings::instance().promptSaveFolderOnExtract() == 1;
}
} // namespace

QString AnalysisPass::caption(Command command)
{
    switch (command) {
    case Command::Unanalysed:
        return QStringLiteral("分析未分析项");
    case Command::Failed:
        return QStringLiteral("分析失败项");
    case Command::Selected:
        return QStringLiteral("分析选中项");
    case Command::All:
        return QStringLiteral("分析全部");
    }
    return QString();
}

AnalysisPass::AnalysisPass(AnalysisListModel &list, HarvestFlags &flags, QObject *parent)
    : QObject(parent)
    , m_list(list)
    , m_flags(flags)
{
    m_autoTimer.setInterval(kAutoIntervalMs);
    connect(&m_autoTimer, &QTimer::timeout, this, &AnalysisPass::autoTick);
}

void AnalysisPass::run(Command command)
{
    if (m_running) {
        m_queued.append(command);
        return;
    }
    startPass(command, true);
}

void AnalysisPass::startPass(Command command, bool userCommand)
{
    m_running = true;
    m_userPassRunning = userCommand;
    m_command = command;
    emit progressVisibleChanged(true);
    m_flags.analysisRunning = true;
    QTimer::singleShot(0, this, &AnalysisPass::decide); // the panel shows before the work starts
}

void AnalysisPass::stop()
{
    m_flags.analysisRunning = false;
}

void AnalysisPass::decide()
{
    if (m_list.count() == 0) {
        endPass();
        return;
    }
    auto startItems = [this] {
        m_row = 0;
        m_end = m_list.count();
        nextItem();
    };
    if (m_command == Command::Unanalysed && autoAnalysisOn()) {
        startItems();
        return;
    }
    if (promptSettingOn() || !askSaveFolder) {
        // The items carry the folder chosen when they were harvested.
        startItems();
        return;
    }
    QPointer<AnalysisPass> self(this);
    askSaveFolder([self, startItems](const SaveFolderChoice &choice) {
        if (!self)
            return;
        if (choice.cancelled)
            self->endPass();
        else
            startItems();
    });
}

bool AnalysisPass::takes(int row) const
{
    const QString &status = m_list.at(row).status;
    switch (m_command) {
    case Command::Unanalysed:
        return status.isEmpty();
    case Command::Failed:
        return status == AnalysisStatus::failed();
    case Command::Selected:
        return isSelected && isSelected(row);
    case Command::All:
        return true;
    }
    return false;
}

void AnalysisPass::nextItem()
{
    auto yieldThenGoOn = [this] {
        QTimer::singleShot(0, this, [this] {
            if (m_flags.analysisRunning)
                nextItem();
            else
                endPass();
        });
    };
    while (m_row < m_end && m_row < m_list.count()) {
        const int row = m_row++;
        if (takes(row)) {
            if (m_command != Command::Unanalysed)
                m_list.setStatus(row, AnalysisStatus::notAnalysed());
            const AnalysisItem item = m_list.at(row);
            if (handOver)
                handOver(item);
            m_list.setStatus(row, AnalysisStatus::success());
            yieldThenGoOn();
            return;
        }
        if (m_command == Command::Selected) {
            yieldThenGoOn();
            return;
        }
    }
    endPass();
}

void AnalysisPass::endPass()
{
    emit progressVisibleChanged(false);
    m_flags.analysisRunning = false;
    m_running = false;
    const bool userPass = m_userPassRunning;
    m_userPassRunning = false;
    if (showDownloadWindow)
        showDownloadWindow();
    emit finished();
    if (!m_queued.isEmpty()) {
        startPass(m_queued.takeFirst(), true);
        return;
    }
    if (userPass)
        emit commandFinished();
}

void AnalysisPass::setAutoAnalysisWanted(bool ticked)
{
    if (!ticked) {
        m_autoTimer.stop();
        emit autoAnalysisChanged(false);
        return;
    }
    if (promptSettingOn() || !askSaveFolder) {
        m_autoTimer.start();
        emit autoAnalysisChanged(true);
        return;
    }
    QPointer<AnalysisPass> self(this);
    askSaveFolder([self](const SaveFolderChoice &choice) {
        if (!self)
            return;
        if (choice.cancelled) {
            self->m_autoTimer.stop();
            emit self->autoAnalysisChanged(false);
        } else {
            self->m_autoTimer.start();
            emit self->autoAnalysisChanged(true);
        }
    });
}

void AnalysisPass::autoTick()
{
    if (m_running || !m_queued.isEmpty())
        return; // a tick during a pass starts no second one
    startPass(Command::Unanalysed, false);
}
