#pragma once
// The literature portal the harvesting window works with: its base address
// (root address with a trailing "/", put in front of every harvested document
// path) and its name (shown in the home-page menu entry "打开…首页" and the
// first status-bar panel). Both are settings of the harvesting window,
// section "fWebSearch", keys "门户网址" and "门户名称"; the program's option
// --portal URL replaces the address for one run without storing it. The
// default is the sample portal on this machine.
#include <QString>

class PortalAddress final
{
public:
    static constexpr int kDefaultPort = 8642;
    // "http://127.0.0.1:8642/"
    static QString defaultBase();
    // "文献门户"
    static QString defaultName();

    // The portal of the running program; reads the store on first use.
    static PortalAddress &instance();

    // An http or https address as the portal base: scheme added when
    // missing ("http://"), spaces trimmed, query and fragment dropped, a
    // trailing "/" added. Empty for anything that is not such an address.
    static QString normalizedBase(const QString &address);

    QString base() const { return m_base; }
    // The home page: the base address without its trailing "/".
    QString home() const;
    QString name() const { return m_name; }

    // Reads both settings; a stored address that is not usable gives the default.
    void load();
    // --portal: false (and nothing changes) when the address is not usable.
    bool overrideBase(const QString &address);

private:
    QString m_base = defaultBase();
    QString m_name = defaultName();
};
