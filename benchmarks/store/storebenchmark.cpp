/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures, in one run and side by side, what loading and saving a large
// kiosk tree costs: reading the bytes, reading and parsing them through the
// store, writing every profile back as text, and the include-chain questions
// the status computation asks of every profile.
//
// The tree is generated in a temporary directory on every run, so the
// benchmark never touches a real kiosk tree.

#include "profile/includegraph.h"
#include "profile/profileparser.h"
#include "store/filerecorder.h"
#include "store/systemkiosk.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <future>
#include <limits>
#include <thread>

namespace
{
struct Options {
    int profiles = 4000;
    qint64 ruleLines = 1000000;
    int depth = 40;
    int fanout = 3;
    int repeat = 3;
    quint32 seed = 20240601;
    bool writeBack = true;
    int includeLimit = 120;
    bool includes = true;
};

struct TreeFacts {
    int systemProfiles = 0;
    int enabledUsers = 0;
    int disabledUsers = 0;
    qint64 ruleLines = 0;
    qint64 lines = 0;
    qint64 bytes = 0;
    int includes = 0;
    int backEdges = 0;
    int missingIncludes = 0;
};

QString systemDirOf(const QString &root)
{
    return root + QStringLiteral("/kiosk2-profiles");
}

QString userDirOf(const QString &root)
{
    return root + QStringLiteral("/kiosk2");
}

QString disabledDirOf(const QString &root)
{
    return root + QStringLiteral("/kiosk2/disabled");
}

QString layerName(int layer, int index)
{
    return QStringLiteral("layer%1_%2").arg(layer, 2, 10, QLatin1Char('0')).arg(index, 4, 10, QLatin1Char('0'));
}

class Generator
{
public:
    Generator(const Options &options, const QString &root)
        : m_options(options)
        , m_root(root)
        , m_random(options.seed)
    {
    }

    TreeFacts run()
    {
        const int users = std::max(1, m_options.profiles / 4);
        const int system = std::max(m_options.depth, m_options.profiles - users);
        const int width = std::max(1, system / m_options.depth);
        m_facts.systemProfiles = width * m_options.depth;
        m_facts.disabledUsers = users / 5;
        m_facts.enabledUsers = users - m_facts.disabledUsers;
        const int total = m_facts.systemProfiles + users;

        // Uneven sizes, as real trees have: a few big application profiles
        // and many small ones; the sum is exactly the asked number of lines.
        QVector<double> weights(total);
        double sum = 0;
        for (double &w : weights) {
            const double r = m_random.generateDouble();
            w = 0.1 + r * r * 3;
            sum += w;
        }
        QVector<qint64> lines(total);
        qint64 given = 0;
        for (int i = 0; i < total; ++i) {
            lines[i] = static_cast<qint64>(m_options.ruleLines * weights[i] / sum);
            given += lines[i];
        }
        lines[total - 1] += m_options.ruleLines - given;

        QDir().mkpath(systemDirOf(m_root));
        QDir().mkpath(disabledDirOf(m_root));

        int next = 0;
        for (int layer = 0; layer < m_options.depth; ++layer) {
            for (int index = 0; index < width; ++index) {
                QStringList includes;
                if (layer + 1 < m_options.depth) {
                    // Shared sub-profiles: every profile of a layer picks from
                    // the same few of the next, so paths multiply with depth.
                    for (int k = 0; k < m_options.fanout; ++k) {
                        includes.append(layerName(layer + 1, m_random.bounded(width)));
                    }
                }
                if (layer >= 5 && m_random.bounded(50) == 0) {
                    includes.append(layerName(layer - 1 - m_random.bounded(5), m_random.bounded(width)));
                    ++m_facts.backEdges;
                }
                if (m_random.bounded(100) == 0) {
                    includes.append(QStringLiteral("missing_%1").arg(next));
                    ++m_facts.missingIncludes;
                }
                writeProfile(systemDirOf(m_root) + QLatin1Char('/') + layerName(layer, index), includes, lines[next++]);
            }
        }
        for (int user = 0; user < users; ++user) {
            QStringList includes;
            const int count = 1 + m_random.bounded(3);
            for (int k = 0; k < count; ++k) {
                includes.append(layerName(0, m_random.bounded(width)));
            }
            const QString dir = user < m_facts.enabledUsers ? userDirOf(m_root) : disabledDirOf(m_root);
            writeProfile(dir + QStringLiteral("/user%1").arg(user, 5, 10, QLatin1Char('0')), includes, lines[next++]);
        }
        return m_facts;
    }

private:
    void writeProfile(const QString &path, QStringList includes, qint64 ruleLines)
    {
        includes.removeDuplicates();
        m_facts.includes += includes.size();
        QString text;
        text.reserve(static_cast<int>(ruleLines * 60 + 256));
        text += QStringLiteral("# generated profile\n");
        ++m_facts.lines;
        for (const QString &include : qAsConst(includes)) {
            text += QStringLiteral("@include ") + include + QLatin1Char('\n');
            ++m_facts.lines;
        }
        static const char *const modes[] = {"r", "rw", "rwc", "?", "rc", "wr"};
        static const char *const targets[] = {"u", "o", "uo", "?"};
        const int app = m_random.bounded(500);
        for (qint64 i = 0; i < ruleLines; ++i) {
            const quint32 kind = m_random.bounded(200);
            if (kind == 0) {
                // The older syntax still turns up in long-lived trees.
                text += QStringLiteral("/opt/app%1/bin/tool%2 r-x\n").arg(app).arg(i);
            } else if (kind < 10) {
                text += QStringLiteral("+link ? ?: /usr/lib/x86_64-linux-gnu/libapp%1.so.%2 (deleted)\n").arg(app).arg(i);
            } else if (kind < 12) {
                text += QStringLiteral("+file r uo: /home/shared/My Documents/report %1-%2.odt\n").arg(app).arg(i);
            } else {
                text += QStringLiteral("+file %1 %2: /usr/share/app%3/data/%4/file%5.dat\n")
                            .arg(QLatin1String(modes[m_random.bounded(6)]), QLatin1String(targets[m_random.bounded(4)]))
                            .arg(app)
                            .arg(i % 97)
                            .arg(i);
            }
            ++m_facts.lines;
            if (m_random.bounded(50) == 0) {
                text += QStringLiteral("# section %1\n").arg(i);
                ++m_facts.lines;
            }
            if (m_random.bounded(100) == 0) {
                text += QLatin1Char('\n');
                ++m_facts.lines;
            }
        }
        m_facts.ruleLines += ruleLines;
        const QByteArray bytes = text.toUtf8();
        m_facts.bytes += bytes.size();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
    }

    const Options m_options;
    const QString m_root;
    QRandomGenerator m_random;
    TreeFacts m_facts;
};

struct Timing {
    double cpuMs = std::numeric_limits<double>::max();
    double wallMs = std::numeric_limits<double>::max();
};

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Best of several runs: the least disturbed one is the closest to the cost of
// the work itself. The processor time of the measuring thread is what the
// figures and targets use, since the machine may be busy with other work;
// the wall time beside it shows waits for the disk.
Timing measure(int repeat, const std::function<void()> &work)
{
    Timing best;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer wall;
        wall.start();
        const double cpuStart = threadCpuMilliseconds();
        work();
        best.cpuMs = std::min(best.cpuMs, threadCpuMilliseconds() - cpuStart);
        best.wallMs = std::min(best.wallMs, wall.nsecsElapsed() / 1e6);
    }
    return best;
}

void print(const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);

// An include search that explodes on a deep shared graph would otherwise hang
// the run without a figure; the search cannot be interrupted, so past the
// limit the benchmark reports that and ends the whole process.
QString generatedTree;

double withinLimit(int seconds, const char *what, const std::function<double()> &work)
{
    std::promise<double> result;
    std::future<double> done = result.get_future();
    std::thread([&result, &work] {
        result.set_value(work());
    }).detach();
    if (done.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
        std::printf("%s: not finished after %d s, abandoned\n", what, seconds);
        std::fflush(stdout);
        // The search works on profiles in memory, so the generated tree can
        // go while it runs; ending the process skips every destructor.
        QDir(generatedTree).removeRecursively();
        std::_Exit(3);
    }
    return done.get();
}
void print(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

// The include questions of the status computation, through one include graph
// of the whole tree made once per run: every profile asked for its own name
// (a cycle through it), and once more for the last link of a cycle found;
// then a name no profile includes, the worst case for a search that has to
// walk everything reachable to find that out. The graph is made inside each
// measurement, since the status computation has to make it too. Returns how
// many profiles claimed to include that absent name (none should).
int askIncludeQuestions(const Options &options, const QList<ProfileFile> &profiles, double parseMs)
{
    QSet<const ProfileFile *> files;
    files.reserve(profiles.size());
    for (const ProfileFile &profile : qAsConst(profiles)) {
        files.insert(&profile);
    }

    const double graphMs = measure(options.repeat, [&] {
                               const IncludeGraph graph(files);
                           }).cpuMs;
    print("Include graph of all %lld profiles made in %.1f ms.\n", static_cast<long long>(profiles.size()), graphMs);

    int cycles = 0;
    const double cycleMs = withinLimit(options.includeLimit, "include cycle check", [&] {
        return measure(options.repeat,
                       [&] {
                           cycles = 0;
                           const IncludeGraph graph(files);
                           for (const ProfileFile &profile : qAsConst(profiles)) {
                               const QStringList chain = graph.containts(&profile, profile.name());
                               if (!chain.isEmpty() && !graph.containts(&profile, chain.last()).isEmpty()) {
                                   ++cycles;
                               }
                           }
                       })
            .cpuMs;
    });
    print("Include cycle check of all %lld profiles, graph included: %.1f ms (%.1f us a profile, %d in cycles); target 1000 ms: %.3fx the target.\n",
          static_cast<long long>(profiles.size()),
          cycleMs,
          cycleMs * 1000.0 / profiles.size(),
          cycles,
          cycleMs / 1000.0);

    const QString absent = QStringLiteral("no-such-profile");
    int found = 0;
    const double absentMs = withinLimit(options.includeLimit, "search for an absent name", [&] {
        return measure(options.repeat,
                       [&] {
                           found = 0;
                           const IncludeGraph graph(files);
                           for (const ProfileFile &profile : qAsConst(profiles)) {
                               found += graph.containts(&profile, absent).isEmpty() ? 0 : 1;
                           }
                       })
            .cpuMs;
    });
    print("Search for a name no profile includes, every profile, graph included: %.1f ms (%.1f us a profile); %.2fx the cycle check.\n",
          absentMs,
          absentMs * 1000.0 / profiles.size(),
          absentMs / cycleMs);
    print("Include checks take %.3fx the time of reading and parsing.\n", (cycleMs + absentMs) / parseMs);
    return found;
}

int positiveOption(const QCommandLineParser &parser, const QCommandLineOption &option, int fallback)
{
    if (!parser.isSet(option)) {
        return fallback;
    }
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < 1) {
        std::fprintf(stderr, "--%s needs a positive whole number, not '%s'\n", qPrintable(option.names().first()), qPrintable(parser.value(option)));
        std::exit(2);
    }
    return value;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("storebenchmark"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times reading, parsing, writing and include checking of a generated kiosk tree."));
    parser.addHelpOption();
    const QCommandLineOption profilesOption(QStringLiteral("profiles"), QStringLiteral("Number of profiles (a quarter of them users)."), QStringLiteral("n"));
    const QCommandLineOption linesOption(QStringLiteral("lines"), QStringLiteral("Total number of rule lines."), QStringLiteral("n"));
    const QCommandLineOption depthOption(QStringLiteral("depth"), QStringLiteral("Depth of the include graph."), QStringLiteral("n"));
    const QCommandLineOption fanoutOption(QStringLiteral("fanout"), QStringLiteral("Includes of each profile into the next layer."), QStringLiteral("n"));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"), QStringLiteral("Runs of each measurement; the best counts."), QStringLiteral("n"));
    const QCommandLineOption limitOption(QStringLiteral("include-limit"),
                                         QStringLiteral("Seconds an include measurement may take before the run is abandoned."),
                                         QStringLiteral("s"));
    const QCommandLineOption noWriteOption(QStringLiteral("no-write"), QStringLiteral("Skip writing the profiles back to disk."));
    const QCommandLineOption noIncludeOption(QStringLiteral("no-include"), QStringLiteral("Skip the include chain questions."));
    parser.addOptions({profilesOption, linesOption, depthOption, fanoutOption, repeatOption, limitOption, noWriteOption, noIncludeOption});
    parser.process(app);

    Options options;
    options.profiles = positiveOption(parser, profilesOption, options.profiles);
    options.ruleLines = positiveOption(parser, linesOption, static_cast<int>(options.ruleLines));
    options.depth = positiveOption(parser, depthOption, options.depth);
    options.fanout = positiveOption(parser, fanoutOption, options.fanout);
    options.repeat = positiveOption(parser, repeatOption, options.repeat);
    options.includeLimit = positiveOption(parser, limitOption, options.includeLimit);
    options.writeBack = !parser.isSet(noWriteOption);
    options.includes = !parser.isSet(noIncludeOption);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary directory: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    const QString root = dir.path();
    generatedTree = root;

    QElapsedTimer generation;
    generation.start();
    const TreeFacts facts = Generator(options, root).run();
    print("Generated kiosk tree in %.1f s under %s\n", generation.elapsed() / 1000.0, qPrintable(root));
    print("  %d system profiles, %d enabled and %d disabled users\n", facts.systemProfiles, facts.enabledUsers, facts.disabledUsers);
    print("  %lld rule lines, %lld lines in all, %.1f MiB\n", facts.ruleLines, facts.lines, facts.bytes / 1048576.0);
    print("  include graph: depth %d, %d includes (%d back into earlier layers, %d of missing profiles)\n",
          options.depth,
          facts.includes,
          facts.backEdges,
          facts.missingIncludes);
    print("Best of %d runs each, warm page cache, one thread; figures and ratios use processor time.\n\n", options.repeat);

    const QStringList dirs{systemDirOf(root), userDirOf(root), disabledDirOf(root)};
    const SystemKiosk kiosk;

    const double lines = static_cast<double>(facts.ruleLines);
    double readMs = 0;
    print("%-40s %12s %12s %14s %12s\n", "", "cpu", "wall", "per rule line", "vs raw read");
    const auto row = [&](const char *what, const Timing &t) {
        print("%-40s %9.1f ms %9.1f ms %11.0f ns %11.1fx\n", what, t.cpuMs, t.wallMs, t.cpuMs * 1e6 / lines, t.cpuMs / readMs);
    };

    // 1. The floor: nothing but the bytes.
    qint64 bytesRead = 0;
    const auto readBytes = [&] {
        bytesRead = 0;
        for (const QString &d : dirs) {
            const QFileInfoList files = QDir(d).entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot);
            for (const QFileInfo &info : files) {
                QFile file(info.absoluteFilePath());
                if (file.open(QIODevice::ReadOnly)) {
                    bytesRead += file.readAll().size();
                }
            }
        }
    };
    readBytes(); // warms the page cache
    const Timing read = measure(options.repeat, readBytes);
    readMs = read.cpuMs;
    row("read bytes of all files", read);

    // 2. What the program does at load.
    QList<ProfileFile> profiles;
    const auto readAndParse = [&] {
        profiles.clear();
        for (const QString &d : dirs) {
            profiles += kiosk.readDirProfiles(d);
        }
    };
    const Timing parse = measure(options.repeat, readAndParse);
    const double parseMs = parse.cpuMs;
    row("read and parse through SystemKiosk", parse);
    qint64 parsedRules = 0;
    for (const ProfileFile &profile : qAsConst(profiles)) {
        parsedRules += profile.data().objectRules().size();
    }

    // 3. What a save does with every changed profile before the helper writes it.
    QStringList texts;
    const auto serialize = [&] {
        texts.clear();
        texts.reserve(profiles.size());
        for (const ProfileFile &profile : qAsConst(profiles)) {
            texts.append(ProfileParser::profileDataSerialization(profile.data()));
        }
    };
    const Timing serialization = measure(options.repeat, serialize);
    const double serializeMs = serialization.cpuMs;
    row("write back as text (serialization)", serialization);

    // 4. And the helper's part: every text replaced whole through a save file.
    if (options.writeBack) {
        const QString out = root + QStringLiteral("/written");
        const Timing write = measure(options.repeat, [&] {
            for (int i = 0; i < profiles.size(); ++i) {
                FileRecorder(out + QLatin1Char('/') + profiles.at(i).name()).write(texts.at(i));
            }
        });
        row("write back to disk through FileRecorder", write);
    }
    const double perSecond = lines / (parseMs / 1000.0);
    print("\nParsed %.2f million rule lines/s; target 1 million/s: %.2fx the target.\n", perSecond / 1e6, perSecond / 1e6);
    print("Parse-to-read ratio %.1f : 1; serialization-to-parse ratio %.2f : 1.\n\n", parseMs / readMs, serializeMs / parseMs);

    int found = 0;
    if (options.includes) {
        found = askIncludeQuestions(options, profiles, parseMs);
    }

    // The figures mean nothing if the work went wrong.
    bool sound = true;
    if (bytesRead != facts.bytes) {
        std::fprintf(stderr, "read %lld bytes, generated %lld\n", bytesRead, facts.bytes);
        sound = false;
    }
    if (parsedRules != facts.ruleLines) {
        std::fprintf(stderr, "parsed %lld object rules, generated %lld rule lines\n", parsedRules, facts.ruleLines);
        sound = false;
    }
    if (found != 0) {
        std::fprintf(stderr, "%d profiles claim to include a profile nobody includes\n", found);
        sound = false;
    }
    return sound ? 0 : 1;
}
