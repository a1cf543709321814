#pragma once
// Hands files, folders and addresses to the user's desktop: the associated
// program, the file manager, the plain-text editor and the web browser. The
// download window's file commands (DownloadListCommands) go through this
// seam so that tests record the requests instead of starting programs.
//
// Programs are always started with argument lists, never through a shell.
#include <QString>
#include <functional>

class DesktopLauncher
{
public:
    virtual ~DesktopLauncher() = default;

    // Opens the file with the program the desktop associates with it; false
    // when neither the desktop nor the generic opener would take it.
    virtual bool openWithAssociatedProgram(const QString &file) = 0;
    // Opens the folder in the file manager.
    virtual bool openFolder(const QString &folder) = 0;
    // Shows the file's folder with the file selected where the file manager
    // supports that, otherwise the folder alone. `done` is called exactly
    // once, possibly later, with false when nothing could be shown.
    virtual void openFolderSelecting(const QString &file, std::function<void(bool shown)> done) = 0;
    // Opens the file in the desktop's plain-text editor (whatever its type).
    virtual void openInTextEditor(const QString &file) = 0;
    // Opens an address or a local path in the desktop's web browser.
    virtual void openInWebBrowser(const QString &text) = 0;
};

// The real desktop: QDesktopServices, the freedesktop file-manager interface
// over D-Bus, and the default applications that xdg-mime names.
class SystemDesktopLauncher final : public DesktopLauncher
{
public:
    bool openWithAssociatedProgram(const QString &file) override;
    bool openFolder(const QString &folder) override;
    void openFolderSelecting(const QString &file, std::function<void(bool shown)> done) override;
    void openInTextEditor(const QString &file) override;
    void openInWebBrowser(const QString &text) override;

    // The program and arguments a desktop entry's Exec line starts for one
    // file or address (field codes replaced, quoting undone); empty when the
    // line names no program. Public for tests.
    static QStringList ExecArguments(const QString &execLine, const QString &target);

    // The plain-text editor for a file when the desktop names no default one:
    // $VISUAL, then $EDITOR (in a terminal unless it is a known graphical
    // editor), then the first graphical text editor installed; empty when
    // there is none. Never the file's own viewer. `findProgram` answers a
    // program's full path or empty (QStandardPaths::findExecutable). Public
    // for tests.
    static QStringList FallbackEditorArguments(const QString &visual, const QString &editor,
                                               const std::function<QString(const QString &)> &findProgram,
                                               const QString &file);
};
