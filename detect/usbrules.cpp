#include "detect/usbrules.h"

#include "core/log.h"

#include <QFile>
#include <QRegularExpression>

QVector<UsbRule> parseUsbRules(const QString& text)
{
    QVector<UsbRule> rules;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int number = 0; number < lines.size(); ++number) {
        const QString line = lines[number].section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        bool vidOk = false, pidOk = false;
        UsbRule rule;
        if (words.size() == 5) {
            rule.vendorId = quint16(words[0].toUInt(&vidOk, 16));
            rule.productId = quint16(words[1].toUInt(&pidOk, 16));
            rule.productContains = words[2] == QLatin1String("*") ? QString() : words[2];
            rule.productName = words[3];
            rule.cameraName = words[4];
        }
        if (!vidOk || !pidOk) {
            LOG_INFO(LOG_OTHER) << "rules line" << number + 1 << "is malformed, skipped:" << line;
            continue;
        }
        rules.append(rule);
    }
    return rules;
}

QVector<UsbRule> loadUsbRules(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return parseUsbRules(QString::fromUtf8(file.readAll()));
}
