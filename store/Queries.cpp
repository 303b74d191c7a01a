#include "store/Queries.h"

namespace vorbel {

QString quoteSqlText(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString tpbForWordSql()
{
    return QStringLiteral("select * from tpb where word=?");
}

QString tpbForWordSql(const QString& word)
{
    return QStringLiteral("select * from tpb where word=") + quoteSqlText(word);
}

} // namespace vorbel
