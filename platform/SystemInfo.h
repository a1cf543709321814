#pragma once
// What the program knows about the system it runs on: the bitness
// (`SystemBits`, "64" or "32") and the product name and version
// (`OsDescription`), read once at start-up by the cover window and consulted
// by the cache viewer. The text comes from the os-release file and the kernel
// release, e.g. "Debian GNU/Linux 12 (bookworm) 版本:12 (内部版本:6.1.0-28-amd64)[64位]".
#include <QString>

// "64" when the machine name of the running kernel names a 64-bit
// architecture (x86_64, aarch64, ppc64le, riscv64, s390x, ...), else "32".
QString SystemBitsFromMachine(const QString &machine);

// One value of an os-release file (NAME, PRETTY_NAME, VERSION_ID, ...), with
// its quotes and backslash escapes undone; empty when the key is absent.
QString OsReleaseValue(const QString &osReleaseText, const QString &key);

// The product name (PRETTY_NAME, else NAME, else "Linux") + " 版本:" + the
// release (VERSION_ID, else VERSION, else BUILD_ID) + " (内部版本:" + the
// kernel release + ")" + "[" + bits + "位]".
QString OsDescriptionFrom(const QString &osReleaseText, const QString &kernelRelease, const QString &bits);

// The running system's values, determined on the first call and kept for the
// rest of the run (/etc/os-release, else /usr/lib/os-release; uname).
const QString &SystemBits();
const QString &OsDescription();
