#include <QUrl>
#include <QUrlQuery>

#include "ui/mail/mail_tool.h"

namespace sky::ui {

namespace {

// Splits at commas outside double quotes ("Doe, Jane" <j@d.org> is one).
void AddAddresses(QStringList* out, const QString& list) {
    QString piece;
    bool quoted = false;
    auto take = [&] {
        QString t = piece.trimmed();
        if (!t.isEmpty()) *out << t;
        piece.clear();
    };
    for (QChar c : list) {
        if (c == QLatin1Char('"')) quoted = !quoted;
        if (c == QLatin1Char(',') && !quoted) {
            take();
            continue;
        }
        piece += c;
    }
    take();
}

QString PlainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

ComposeFields ParseMailto(const QUrl& url) {
    ComposeFields f;
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) != 0) return f;
    QStringList to, cc;
    AddAddresses(&to, url.path(QUrl::FullyDecoded));
    // Keys are case-blind; "+" is a plus sign here, not a blank.
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        QString k = key.toLower();
        if (k == QLatin1String("to"))
            AddAddresses(&to, value);
        else if (k == QLatin1String("cc"))
            AddAddresses(&cc, value);
        else if (k == QLatin1String("subject"))
            f.subject = PlainLines(value).replace(QLatin1Char('\n'), QLatin1Char(' '));
        else if (k == QLatin1String("body"))
            f.body = PlainLines(value);
    }
    f.to = to.join(QStringLiteral(", "));
    f.cc = cc.join(QStringLiteral(", "));
    return f;
}

}  // namespace sky::ui
