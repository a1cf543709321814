#pragma once
// The decisions of the sign-in panel that need no browser: which INPUT
// elements of a sign-in form get the account and the password and which
// submit button is clicked, whether the panel's fields allow a sign-in, and
// whether the end of a download starts the automatic sign-in.
#include <QList>
#include <QString>

// One INPUT element of the shown document, as its attributes read.
struct PageInput
{
    QString name;
    QString type;
};

// What the walk over a form's INPUT elements does, by element position in
// document order: the fields that receive the account or the password, and
// the submit button clicked afterwards (-1: none).
struct InputWalk
{
    enum class Value { Account, Password };
    struct Fill
    {
        int index;
        Value value;
    };
    QList<Fill> fills;
    int submitIndex = -1;
};

// The walk of a sign-in: a field named "userid", "user", "username" or
// "useruid" (any case) receives the account, one named "pass", "password" or
// "passwd" the password, each counting one; the first submit button met once
// two fields are counted is clicked and ends the walk. A submit button before
// that is passed over.
InputWalk WalkInputs(const QList<PageInput> &inputs);

// The fields of the panel a sign-in reads.
struct LoginForm
{
    QString address;  // "网址："
    QString account;  // the account field
    QString password; // "密码："
    bool accountLogin = true; // "帐号登录：" selected, else "IP登录"
};

enum class LoginFormCheck { Ready, NoAddress, NoAccount };

// Whether the panel's fields allow a sign-in (spaces trimmed): an address
// always, and with "帐号登录：" an account and a password as well.
LoginFormCheck CheckLoginForm(const LoginForm &form);
// The message of a failed check ("" for Ready).
QString LoginFormMessage(LoginFormCheck check);

// Whether the end of a download starts the automatic sign-in (when
// "自动登录" is ticked): the row's type is "htm" or "html" in any case, under
// method 1 (the single connection) "xml" as well. A sign-in page that came
// where an existing document was kept in its place (the row failed and kept
// the document's type) counts as such a page: it came, so the session is gone.
bool SiteLoginAfterDownload(int method, const QString &rowType, bool pageKeptOut);
