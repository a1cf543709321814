#include "platform/DialogService.h"
#include "platform/QtDialogService.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("litharvest"));
    QtDialogService dialogs;
    DialogService::setInstance(&dialogs);

    QLabel cover(SettingsStore::applicationTitle());
    cover.setWindowTitle(SettingsStore::applicationTitle());
    cover.resize(480, 240);
    cover.setAlignment(Qt::AlignCenter);
    cover.show();
    return app.exec();
}
