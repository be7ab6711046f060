/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "benchmarkoptions.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace
{
bool positive(const QString &text, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number <= 0) {
        return false;
    }
    *value = number;
    return true;
}

QString defaultOf(const QList<int> &values)
{
    QStringList numbers;
    for (const int value : values) {
        numbers.append(QString::number(value));
    }
    return numbers.join(QLatin1Char(','));
}
}

BenchmarkOptions::BenchmarkOptions(const QString &description)
{
    m_parser.setApplicationDescription(description);
    m_parser.addHelpOption();
}

void BenchmarkOptions::add(const QString &name, const QString &description, int *value)
{
    Option option{QCommandLineOption(name, description + QStringLiteral(" (%1)").arg(*value), QStringLiteral("n"))};
    option.number = value;
    m_parser.addOption(option.option);
    m_options.push_back(option);
}

void BenchmarkOptions::add(const QString &name, const QString &description, QList<int> *values)
{
    Option option{QCommandLineOption(name, description + QStringLiteral(" (%1)").arg(defaultOf(*values)), QStringLiteral("list"))};
    option.list = values;
    m_parser.addOption(option.option);
    m_options.push_back(option);
}

void BenchmarkOptions::add(const QString &name, const QString &description, QString *text)
{
    Option option{QCommandLineOption(name, description + QStringLiteral(" (%1)").arg(*text), QStringLiteral("text"))};
    option.text = text;
    m_parser.addOption(option.option);
    m_options.push_back(option);
}

void BenchmarkOptions::addSwitch(const QString &name, const QString &description, bool *value)
{
    Option option{QCommandLineOption(name, description)};
    option.flag = value;
    m_parser.addOption(option.option);
    m_options.push_back(option);
}

void BenchmarkOptions::parse(const QCoreApplication &application)
{
    m_parser.process(application);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    for (const Option &option : m_options) {
        if (!m_parser.isSet(option.option)) {
            continue;
        }
        const QString text = m_parser.value(option.option);
        const QString name = option.option.names().constFirst();
        if (option.flag) {
            *option.flag = true;
        } else if (option.number) {
            if (!positive(text, option.number)) {
                std::fprintf(stderr, "--%s needs a positive whole number, not '%s'\n", qPrintable(name), qPrintable(text));
                std::exit(2);
            }
        } else if (option.text) {
            if (text.isEmpty()) {
                std::fprintf(stderr, "--%s must not be empty\n", qPrintable(name));
                std::exit(2);
            }
            *option.text = text;
        } else {
            QList<int> values;
            for (const QString &item : text.split(QLatin1Char(','))) {
                int value = 0;
                if (!positive(item, &value)) {
                    std::fprintf(stderr, "--%s needs positive whole numbers separated by commas, not '%s'\n", qPrintable(name), qPrintable(text));
                    std::exit(2);
                }
                values.append(value);
            }
            *option.list = values;
        }
    }
}
