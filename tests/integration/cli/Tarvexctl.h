// tarvexctl as a child process on simulated switches, with settings of its own: the fixture
// of the command-line tests. run() also checks what holds for every command line: with
// --json exactly one JSON document on stdout (an "error" member when it failed), else
// errors of one line each prefixed with the program's name, and text within 80 columns.
#pragma once

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct Outcome {
    int exitCode = -1;
    QString out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

class Tarvexctl : public ::testing::Test
{
public:
    // `inChild` runs in the child before tarvexctl starts (to give it another stdout).
    std::unique_ptr<QProcess> start(const QStringList &arguments, const QString &logRules = {},
                                    const std::function<void()> &inChild = {}, const char *locale = "C.UTF-8",
                                    const QString &program = TARVEXCTL_PATH)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("LC_ALL", locale);
        env.insert("QT_LOGGING_RULES", logRules);
        env.remove("LANGUAGE");
        for (auto it = extraEnvironment.begin(); it != extraEnvironment.end(); ++it)
            env.insert(it.key(), it.value());
        process->setProcessEnvironment(env);
        process->setStandardInputFile(QProcess::nullDevice()); // not a terminal
        process->setChildProcessModifier(inChild ? inChild : [] {});
        process->start(program, arguments);
        return process;
    }
    // Waits while this thread's event loop keeps serving (the check server of a test).
    static Outcome finish(QProcess &process)
    {
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning)
            loop.exec();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }
    Outcome run(const QStringList &arguments)
    {
        const Outcome r = finish(*start(arguments));
        const std::string trace = arguments.join(' ').toStdString() + "\n" + r.out.toStdString() + r.err.toStdString();
        if (arguments.contains("--json")) {
            QJsonParseError parsed;
            QJsonDocument::fromJson(r.out.toUtf8(), &parsed);
            EXPECT_EQ(parsed.error, QJsonParseError::NoError) << trace;
            EXPECT_EQ(r.exitCode != 0, r.json().contains("error")) << trace;
            EXPECT_EQ(keysNotInSnakeCase(r.json()), QStringList()) << trace;
        } else {
            // A command to several switches prints what each did; the failures are lines of their own.
            EXPECT_TRUE(r.exitCode == 0 || (r.err.startsWith("tarvexctl: ") && r.err.count('\n') == r.err.count("tarvexctl: ")))
                << trace;
            for (const QString &line : r.out.split('\n'))
                EXPECT_LE(line.size(), 80) << trace;
        }
        return r;
    }
    Outcome run(const QString &arguments) { return run(arguments.split(' ', Qt::SkipEmptyParts)); }
    // What bash prints for `script` with $0 = tarvexctl and $1... = `arguments`, in this environment.
    QString bash(const QString &script, const QStringList &arguments)
    {
        return finish(*start(QStringList{"-c", script, TARVEXCTL_PATH} + arguments, {}, {}, "C.UTF-8", "bash")).out;
    }
    // Scripts get one key style from every command: "port_names", never "portNames".
    static QStringList keysNotInSnakeCase(const QJsonValue &value)
    {
        static const QRegularExpression snake("^[a-z][a-z0-9]*(_[a-z0-9]+)*$");
        QStringList bad;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!snake.match(it.key()).hasMatch())
                bad << it.key();
            bad += keysNotInSnakeCase(it.value());
        }
        for (const QJsonValue &element : value.toArray())
            bad += keysNotInSnakeCase(element);
        return bad;
    }
    QString file(const QString &name, const QByteArray &content)
    {
        QFile f(config.filePath(name));
        EXPECT_TRUE(QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        return f.fileName();
    }
    QByteArray stored() const
    {
        QFile f(config.filePath("TarvexCC/defaults.json"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir config;
    QMap<QString, QString> extraEnvironment; // for the next start()s: LANGUAGE=de
};
