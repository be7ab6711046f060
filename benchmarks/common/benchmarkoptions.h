/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_BENCHMARKOPTIONS_H
#define ORLA_BENCHMARKOPTIONS_H

#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <vector>

class QCoreApplication;

/**
 * The command line of a benchmark: sizes and counts that must be positive
 * whole numbers, lists of them, texts such as a directory to work on, and
 * switches, each written into the variable that holds its default.
 */
class BenchmarkOptions
{
public:
    explicit BenchmarkOptions(const QString &description);

    void add(const QString &name, const QString &description, int *value);
    /** A comma-separated list, such as sizes to run one after another. */
    void add(const QString &name, const QString &description, QList<int> *values);
    /** Any text but an empty one. */
    void add(const QString &name, const QString &description, QString *text);
    void addSwitch(const QString &name, const QString &description, bool *value);

    /**
     * Reads the command line. As --help ends the program, so does a value
     * that is not a positive whole number or a text that is empty: with the
     * reason on standard error and status 2, before anything is measured.
     *
     * Standard output becomes line-buffered, so that each figure shows as it
     * is measured even when the output goes to a file.
     */
    void parse(const QCoreApplication &application);

private:
    struct Option {
        QCommandLineOption option;
        int *number = nullptr;
        QList<int> *list = nullptr;
        QString *text = nullptr;
        bool *flag = nullptr;
    };

    QCommandLineParser m_parser;
    std::vector<Option> m_options;
};

#endif
