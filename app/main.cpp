#include "download/fFileDownload.h"
#include "platform/DialogService.h"
#include "platform/MediaSoundPlayer.h"
#include "platform/QtDialogService.h"
#include "platform/SettingsStore.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("litharvest"));
    QtDialogService dialogs;
    DialogService::setInstance(&dialogs);
    MediaSoundPlayer sounds; // installs itself for its lifetime

    // Until the cover and harvesting windows exist, the program opens on the
    // download window and ends when it closes.
    fFileDownload::显示下载窗口();
    const int result = app.exec();
    DialogService::setInstance(nullptr);
    return result;
}
