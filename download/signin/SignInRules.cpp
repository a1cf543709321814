#include "download/signin/SignInRules.h"

#include "common/TextCodec.h"

InputWalk WalkInputs(const QList<PageInput> &inputs)
{
    InputWalk walk;
    int counted = 0;
    for (int i = 0; i < inputs.size(); ++i) {
        const QString name = inputs.at(i).name.toLower();
        if (name == u"userid" || name == u"user" || name == u"username" || name == u"useruid") {
            ++counted;
            walk.fills.append({i, InputWalk::Value::Account});
        } else if (name == u"pass" || name == u"password" || name == u"passwd") {
            ++counted;
            walk.fills.append({i, InputWalk::Value::Password});
        }
        if (inputs.at(i).type.toLower() == u"submit" && counted >= 2) {
            walk.submitIndex = i;
            break;
        }
    }
    return walk;
}

LoginFormCheck CheckLoginForm(const LoginForm &form)
{
    if (TrimSpaces(form.address).isEmpty())
        return LoginFormCheck::NoAddress;
    if (form.accountLogin && (TrimSpaces(form.account).isEmpty() || TrimSpaces(form.password).isEmpty()))
        return LoginFormCheck::NoAccount;
    return LoginFormCheck::Ready;
}

QString LoginFormMessage(LoginFormCheck check)
{
    switch (check) {
    case LoginFormCheck::NoAddress:
        return QStringLiteral("必须先设置登录网址！");
    case LoginFormCheck::NoAccount:
        return QStringLiteral("帐号登录,必须先设置登录帐号和登录密码！");
    case LoginFormCheck::Ready:
        break;
    }
    return QString();
}

bool SiteLoginAfterDownload(int method, const QString &rowType, bool pageKeptOut)
{
    if (pageKeptOut)
        return true;
    const QString type = rowType.toLower();
    if (type == u"htm" || type == u"html")
        return true;
    return method == 1 && type == u"xml";
}
