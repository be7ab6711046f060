/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures, in one run and side by side, what loading and saving a large
// kiosk tree costs: reading the bytes, reading and parsing them through the
// store, writing every profile back as text, and the include-chain questions
// the status computation asks of every profile; then the same questions on
// include graphs whose shape makes them hard (stacked diamonds, with and
// without cycles, and a long chain), beside one plain walk over each graph.
//
// The tree is generated in a temporary directory on every run, so the
// benchmark never touches a real kiosk tree.

#include "benchmarkoptions.h"
#include "includeshapes.h"
#include "layeredtree.h"
#include "table.h"
#include "timing.h"
#include "treefiles.h"

#include "profile/includegraph.h"
#include "profile/profileparser.h"
#include "store/filerecorder.h"
#include "store/systemkiosk.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

namespace
{
struct Options {
    int profiles = 4000;
    int ruleLines = 1000000;
    int depth = 40;
    int fanout = 3;
    int repeat = 3;
    quint32 seed = 20240601;
    bool noWrite = false;
    int includeLimit = 120;
    bool noInclude = false;
    int diamonds = 40;
    int chain = 20000;
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

// The generated tree is laid out as the system's below its tree directory.
QString dirOf(const QString &root, SystemKiosk::Directory directory)
{
    return SystemKiosk::ofTree(root).path(directory);
}

QString layerName(int layer, int index)
{
    return QStringLiteral("layer%1_%2").arg(layer, 2, 10, QLatin1Char('0')).arg(index, 4, 10, QLatin1Char('0'));
}

double perLine(double ms, qint64 lines)
{
    return lines > 0 ? ms * 1e6 / double(lines) : 0.0;
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
        const LayeredTree tree(m_options.depth, width, m_options.fanout, &layerName);
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

        QDir().mkpath(dirOf(m_root, SystemKiosk::Directory::System));
        QDir().mkpath(dirOf(m_root, SystemKiosk::Directory::Disabled));

        int next = 0;
        for (int layer = 0; layer < m_options.depth; ++layer) {
            for (int index = 0; index < width; ++index) {
                // Shared sub-profiles: every profile of a layer picks from
                // the same few of the next, so paths multiply with depth.
                QStringList includes = tree.includesBelow(layer, m_random);
                if (layer >= 5 && m_random.bounded(50) == 0) {
                    includes.append(layerName(layer - 1 - m_random.bounded(5), m_random.bounded(width)));
                    ++m_facts.backEdges;
                }
                if (m_random.bounded(100) == 0) {
                    includes.append(QStringLiteral("missing_%1").arg(next));
                    ++m_facts.missingIncludes;
                }
                writeProfile(dirOf(m_root, SystemKiosk::Directory::System) + QLatin1Char('/') + tree.name(layer, index), includes, lines[next++]);
            }
        }
        for (int user = 0; user < users; ++user) {
            const int count = 1 + m_random.bounded(3);
            const QStringList includes = tree.pick(0, count, m_random);
            const QString dir = user < m_facts.enabledUsers ? dirOf(m_root, SystemKiosk::Directory::Users) : dirOf(m_root, SystemKiosk::Directory::Disabled);
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
        if (!TreeFiles::write(path, bytes)) {
            qFatal("cannot write %s", qPrintable(path));
        }
    }

    const Options m_options;
    const QString m_root;
    QRandomGenerator m_random;
    TreeFacts m_facts;
};

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

// Every profile of @p profiles asked through one include graph of them all,
// made inside the measurement since the status computation has to make it
// too; @p ask puts the questions of one profile and counts its answers.
using Ask = std::function<int(const IncludeGraph &, const ProfileFile &)>;

Timing askEveryProfile(int repeat, const QList<ProfileFile> &profiles, const Ask &ask, int *answers)
{
    const QSet<const ProfileFile *> files = IncludeShapes::files(profiles);
    return Timing::measure(repeat, [&] {
        *answers = 0;
        const IncludeGraph graph(files);
        for (const ProfileFile &profile : profiles) {
            *answers += ask(graph, profile);
        }
    });
}

// A profile's own name (a cycle through it), and once more for the last link
// of a cycle found: the two questions of the status computation.
int cycleQuestions(const IncludeGraph &graph, const ProfileFile &profile)
{
    const QStringList chain = graph.containts(&profile, profile.name());
    return !chain.isEmpty() && !graph.containts(&profile, chain.last()).isEmpty() ? 1 : 0;
}

const QString absent = QStringLiteral("no-such-profile");

int absentQuestion(const IncludeGraph &graph, const ProfileFile &profile)
{
    return graph.containts(&profile, absent).isEmpty() ? 0 : 1;
}

// The include questions of the status computation, through one include graph
// of the whole tree made once per run: every profile asked for its own name
// (a cycle through it), and once more for the last link of a cycle found;
// then a name no profile includes, the worst case for a search that has to
// walk everything reachable to find that out. Returns how many profiles
// claimed to include that absent name (none should).
int askIncludeQuestions(const Options &options, const QList<ProfileFile> &profiles, double parseMs)
{
    const QSet<const ProfileFile *> files = IncludeShapes::files(profiles);
    const double graphMs = Timing::measure(options.repeat, [&] {
                               const IncludeGraph graph(files);
                           }).cpuBest();
    std::printf("Include graph of all %lld profiles made in %.1f ms.\n", static_cast<long long>(profiles.size()), graphMs);

    int cycles = 0;
    const double cycleMs = withinLimit(options.includeLimit, "include cycle check", [&] {
        return askEveryProfile(options.repeat, profiles, cycleQuestions, &cycles).cpuBest();
    });
    std::printf("Include cycle check of all %lld profiles, graph included: %.1f ms (%.1f us a profile, %d in cycles); target 1000 ms: %.3fx the target.\n",
                static_cast<long long>(profiles.size()),
                cycleMs,
                cycleMs * 1000.0 / profiles.size(),
                cycles,
                cycleMs / 1000.0);

    int found = 0;
    const double absentMs = withinLimit(options.includeLimit, "search for an absent name", [&] {
        return askEveryProfile(options.repeat, profiles, absentQuestion, &found).cpuBest();
    });
    std::printf("Search for a name no profile includes, every profile, graph included: %.1f ms (%.1f us a profile); %.2fx the cycle check.\n",
                absentMs,
                absentMs * 1000.0 / profiles.size(),
                absentMs / cycleMs);
    std::printf("Include checks take %.3fx the time of reading and parsing.\n", (cycleMs + absentMs) / parseMs);
    return found;
}

// The same questions where the shape of the graph makes them hard, beside one
// plain walk over each graph (every profile entered once, no chain kept).
// Stacked diamonds: every path through them is another chain to the bottom,
// so a search that walks paths rather than profiles never ends; closed into
// cycles through the top, every failure below depends on the path taken. A
// long chain: a search that recurses once per link runs out of stack (closed
// into one cycle, every profile's own chain is the whole cycle, so only the
// first is asked). Returns false when an answer is wrong, which would make
// its figure meaningless.
bool askHardShapes(const Options &options)
{
    std::printf("\nInclude questions on hard shapes; processor time, best of %d.\n", options.repeat);
    const Table table({{QString(), 58}, {QStringLiteral("cpu"), 12}, {QStringLiteral("vs one walk"), 12}});
    bool sound = true;
    const auto wrong = [&sound](const QString &what, int answers, int expected) {
        if (answers != expected) {
            std::fprintf(stderr, "%s: %d, not %d\n", qPrintable(what), answers, expected);
            sound = false;
        }
    };

    double walkMs = 0;
    const auto walk = [&](const QString &what, const QList<ProfileFile> &profiles) {
        int entered = 0;
        walkMs = Timing::measure(options.repeat, [&] {
                     entered = IncludeShapes::walk(profiles);
                 }).cpuBest();
        table.row({what + QStringLiteral(": one walk"), Table::ms(walkMs, 2), Table::times(walkMs, walkMs)});
        wrong(what + QStringLiteral(", profiles entered"), entered, profiles.size());
    };
    // Every profile asked through one include graph, as the status computation asks.
    const auto everyProfile = [&](const QString &question, const QList<ProfileFile> &profiles, const Ask &ask, int expected) {
        int answers = 0;
        const double ms = withinLimit(options.includeLimit, "an include question on a hard shape", [&] {
            return askEveryProfile(options.repeat, profiles, ask, &answers).cpuBest();
        });
        table.row({QStringLiteral("  every profile for ") + question, Table::ms(ms, 2), Table::times(ms, walkMs)});
        wrong(question, answers, expected);
    };
    // A single question of the first profile, as the editor asks it of one.
    const auto fromTheFirst = [&](const QString &question, const QList<ProfileFile> &profiles, const QString &name, int expectedLength) {
        const QSet<const ProfileFile *> files = IncludeShapes::files(profiles);
        QStringList chain;
        const double ms = Timing::measure(options.repeat, [&] {
                              chain = profiles.constFirst().containts(name, files, QStringList());
                          }).cpuBest();
        table.row({QStringLiteral("  the first for ") + question, Table::ms(ms, 2), Table::times(ms, walkMs)});
        wrong(question + QStringLiteral(", length of the chain"), chain.size(), expectedLength);
    };

    const QString ownName = QStringLiteral("its own name");
    const QString nobodys = QStringLiteral("a name nobody includes");
    QList<ProfileFile> diamonds = IncludeShapes::diamonds(options.diamonds, QStringLiteral("bottom"));
    walk(QStringLiteral("%1 stacked diamonds").arg(options.diamonds), diamonds);
    everyProfile(ownName, diamonds, cycleQuestions, 0);
    everyProfile(nobodys, diamonds, absentQuestion, 0);
    fromTheFirst(QStringLiteral("the name at the bottom"), diamonds, QStringLiteral("bottom"), 2 * options.diamonds + 1);
    fromTheFirst(nobodys, diamonds, absent, 0);

    // Every profile but the last top lies on a cycle through the first.
    IncludeShapes::closeDiamonds(diamonds);
    walk(QStringLiteral("%1 diamonds closed into cycles").arg(options.diamonds), diamonds);
    everyProfile(ownName, diamonds, cycleQuestions, diamonds.size() - 1);
    everyProfile(nobodys, diamonds, absentQuestion, 0);
    fromTheFirst(nobodys, diamonds, absent, 0);

    const QList<ProfileFile> chain = IncludeShapes::chain(options.chain, false);
    walk(QStringLiteral("a chain of %1").arg(options.chain), chain);
    everyProfile(ownName, chain, cycleQuestions, 0);
    everyProfile(nobodys, chain, absentQuestion, 0);

    const QList<ProfileFile> ring = IncludeShapes::chain(options.chain, true);
    walk(QStringLiteral("a chain of %1 closed into one cycle").arg(options.chain), ring);
    everyProfile(nobodys, ring, absentQuestion, 0);
    fromTheFirst(QStringLiteral("its own name, round the whole cycle"), ring, ring.constFirst().name(), options.chain);
    return sound;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("storebenchmark"));

    Options options;
    BenchmarkOptions parser(QStringLiteral("Times reading, parsing, writing and include checking of a generated kiosk tree."));
    parser.add(QStringLiteral("profiles"), QStringLiteral("Number of profiles (a quarter of them users)."), &options.profiles);
    parser.add(QStringLiteral("lines"), QStringLiteral("Total number of rule lines."), &options.ruleLines);
    parser.add(QStringLiteral("depth"), QStringLiteral("Depth of the include graph."), &options.depth);
    parser.add(QStringLiteral("fanout"), QStringLiteral("Includes of each profile into the next layer."), &options.fanout);
    parser.add(QStringLiteral("repeat"), QStringLiteral("Runs of each measurement; the best counts."), &options.repeat);
    parser.add(QStringLiteral("include-limit"), QStringLiteral("Seconds an include measurement may take before the run is abandoned."), &options.includeLimit);
    parser.add(QStringLiteral("diamonds"), QStringLiteral("Stacked diamonds of the hard include shapes."), &options.diamonds);
    parser.add(QStringLiteral("chain"), QStringLiteral("Profiles in the long include chain of the hard shapes."), &options.chain);
    parser.addSwitch(QStringLiteral("no-write"), QStringLiteral("Skip writing the profiles back to disk."), &options.noWrite);
    parser.addSwitch(QStringLiteral("no-include"), QStringLiteral("Skip the include chain questions."), &options.noInclude);
    parser.parse(app);

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
    std::printf("Generated kiosk tree in %.1f s under %s\n", generation.elapsed() / 1000.0, qPrintable(root));
    std::printf("  %d system profiles, %d enabled and %d disabled users\n", facts.systemProfiles, facts.enabledUsers, facts.disabledUsers);
    std::printf("  %lld rule lines, %lld lines in all, %.1f MiB\n", facts.ruleLines, facts.lines, facts.bytes / 1048576.0);
    std::printf("  include graph: depth %d, %d includes (%d back into earlier layers, %d of missing profiles)\n",
                options.depth,
                facts.includes,
                facts.backEdges,
                facts.missingIncludes);
    std::printf("Best of %d runs each, warm page cache, one thread; figures and ratios use processor time.\n\n", options.repeat);

    const SystemKiosk kiosk = SystemKiosk::ofTree(root);
    const QStringList dirs{kiosk.path(SystemKiosk::Directory::System), kiosk.path(SystemKiosk::Directory::Users), kiosk.path(SystemKiosk::Directory::Disabled)};

    double readMs = 0;
    const Table table({{QString(), 40},
                       {QStringLiteral("cpu"), 12},
                       {QStringLiteral("wall"), 12},
                       {QStringLiteral("per rule line"), 14},
                       {QStringLiteral("vs raw read"), 12}});
    const auto row = [&](const QString &what, const Timing &t) {
        table.row({what,
                   Table::ms(t.cpuBest()),
                   Table::ms(t.best()),
                   QString::number(perLine(t.cpuBest(), facts.ruleLines), 'f', 0) + QStringLiteral(" ns"),
                   Table::times(t.cpuBest(), readMs)});
    };

    // 1. The floor: nothing but the bytes.
    qint64 bytesRead = TreeFiles::readAll(dirs); // warms the page cache
    const Timing read = Timing::measure(options.repeat, [&] {
        bytesRead = TreeFiles::readAll(dirs);
    });
    readMs = read.cpuBest();
    row(QStringLiteral("read bytes of all files"), read);

    // 2. What the program does at load.
    QList<ProfileFile> profiles;
    const Timing parse = Timing::measure(options.repeat, [&] {
        profiles.clear();
        for (const QString &d : dirs) {
            profiles += kiosk.readDirProfiles(d);
        }
    });
    const double parseMs = parse.cpuBest();
    row(QStringLiteral("read and parse through SystemKiosk"), parse);
    qint64 parsedRules = 0;
    for (const ProfileFile &profile : qAsConst(profiles)) {
        parsedRules += profile.data().objectRules().size();
    }

    // 3. What a save does with every changed profile before the helper writes it.
    QStringList texts;
    const Timing serialization = Timing::measure(options.repeat, [&] {
        texts.clear();
        texts.reserve(profiles.size());
        for (const ProfileFile &profile : qAsConst(profiles)) {
            texts.append(ProfileParser::profileDataSerialization(profile.data()));
        }
    });
    const double serializeMs = serialization.cpuBest();
    row(QStringLiteral("write back as text (serialization)"), serialization);

    // 4. And the helper's part: every text replaced whole through a save file.
    if (!options.noWrite) {
        const QString out = root + QStringLiteral("/written");
        const Timing write = Timing::measure(options.repeat, [&] {
            for (int i = 0; i < profiles.size(); ++i) {
                FileRecorder(out + QLatin1Char('/') + profiles.at(i).name()).write(texts.at(i));
            }
        });
        row(QStringLiteral("write back to disk through FileRecorder"), write);
    }
    const double perSecond = double(facts.ruleLines) / (parseMs / 1000.0);
    std::printf("\nParsed %.2f million rule lines/s; target 1 million/s: %.2fx the target.\n", perSecond / 1e6, perSecond / 1e6);
    std::printf("Parse-to-read ratio %.1f : 1; serialization-to-parse ratio %.2f : 1.\n\n", parseMs / readMs, serializeMs / parseMs);

    int found = 0;
    bool shapesSound = true;
    if (!options.noInclude) {
        found = askIncludeQuestions(options, profiles, parseMs);
        shapesSound = askHardShapes(options);
    }

    // The figures mean nothing if the work went wrong.
    bool sound = shapesSound;
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
