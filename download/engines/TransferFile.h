#pragma once
// The file side of one download, shared by both engines. It reserves the
// save name without ever touching a file that is already there, collects the
// body in a temporary file beside the save file, and moves the new copy onto
// the save name (an atomic rename) only when the engine says it is good. So a
// document that exists in overwrite mode is never truncated or half-written,
// and an abandoned transfer leaves no stray empty file behind.
//
// The temporary name is short (".lh-XXXXXX.part") so that it fits the
// file-name limit whatever the save name is.
#include <QString>

class QIODevice;

class TransferFile final
{
public:
    explicit TransferFile(const QString &target);
    ~TransferFile(); // discard()
    TransferFile(const TransferFile &) = delete;
    TransferFile &operator=(const TransferFile &) = delete;

    QString target() const { return m_target; }
    QString temporaryPath() const { return m_tempPath; }

    // Creates the target empty when nothing is there, so that the next save
    // name chosen treats the name as taken. Never opens an existing file.
    // True when the name is now held (by our empty file or by an older one).
    bool reserve();
    // Something (file, folder or link) was at the target before reserve().
    bool targetExisted() const { return m_existed; }
    // Whether a new copy may take the place of what is at the target: a
    // regular file with its owner's write bit set (so a read-only file counts
    // as not replaceable, also for root) in a folder we may write to, or a
    // link, or nothing at all.
    bool canReplaceTarget() const;

    // Creates (or recreates, empty) the temporary file.
    bool open();
    bool isOpen() const { return m_fd >= 0; }
    // Appends everything the device holds right now; false when the disk
    // refused a write.
    bool appendFrom(QIODevice &device);
    bool append(const char *data, qint64 length);
    qint64 size() const { return m_size; }

    // Moves the temporary file onto the target. False (and the temporary file
    // gone) when the rename failed.
    bool commit();
    bool committed() const { return m_committed; }
    // Removes the temporary file, and the empty reservation when we made it.
    void discard();

    // The new copy is a web page (a sign-in or error page, which servers send
    // with a success status too) while the file it would replace is a
    // document with content: committing would lose the user's document.
    // The check records its finding: pageKeptOut() then tells that a page
    // came and the document stayed.
    bool pageWouldReplaceDocument() const;
    bool pageKeptOut() const { return m_pageKeptOut; }
    // The errno of the last file operation that failed, 0 when none did.
    int errorNumber() const { return m_errno; }

private:
    void closeTemp();
    void removeTemp();

    QString m_target;
    QString m_tempPath;
    int m_fd = -1;
    qint64 m_size = 0;
    bool m_existed = false;
    bool m_reservedByUs = false;
    bool m_committed = false;
    mutable bool m_pageKeptOut = false;
    int m_errno = 0;
};
