#include "tools/numberfield.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QStyle>

#include <cmath>

namespace numberfield {

bool read(const QString& text, const Domain& domain, double& value)
{
    QString number = text.trimmed();
    static const QRegularExpression thousands(QStringLiteral("^[+-]?[1-9][0-9]{0,2},[0-9]{3}$"));
    if (number.count(QLatin1Char(',')) > 1 || thousands.match(number).hasMatch())
        return false;
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double parsed = c.toDouble(number, &ok);
    if (!ok || !std::isfinite(parsed) || parsed < domain.low || parsed > domain.high ||
        (domain.whole && parsed != std::floor(parsed)))
        return false;
    value = parsed;
    return true;
}

bool mark(QLineEdit* field, const Domain& domain, const QString& hint)
{
    double value = 0.0;
    const bool valid = read(field->text(), domain, value);
    // The style sheets draw a red frame around a field whose "invalid" property is set.
    field->setProperty("invalid", !valid);
    field->setToolTip(hint);
    field->style()->unpolish(field);
    field->style()->polish(field);
    return valid;
}

} // namespace numberfield
