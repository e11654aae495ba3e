// A stand-in registry editor for the association tests: a shell script named `regedit`
// in a folder put first on the PATH. Each run records its arguments (one a line) and a
// copy of the file named by its second argument, numbered from 0. The temporary folder
// (TMPDIR) is one of the fixture's own while it lives; PATH and TMPDIR are restored after.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class FakeRegedit {
public:
    FakeRegedit()
    {
        EXPECT_TRUE(bin_.isValid() && out_.isValid() && temp_.isValid());
        QFile script(bin_.filePath(QStringLiteral("regedit")));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "n=$(ls \"$FAKE_REGEDIT_OUT\" | grep -c '^args')\n"
                     "printf '%s\\n' \"$@\" > \"$FAKE_REGEDIT_OUT/args$n\"\n"
                     "cat \"$2\" > \"$FAKE_REGEDIT_OUT/script$n\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        oldPath_ = qgetenv("PATH");
        oldTmp_ = qgetenv("TMPDIR");
        qputenv("PATH", bin_.path().toLocal8Bit() + ":" + oldPath_);
        qputenv("TMPDIR", temp_.path().toLocal8Bit());
        qputenv("FAKE_REGEDIT_OUT", out_.path().toLocal8Bit());
    }
    ~FakeRegedit()
    {
        qputenv("PATH", oldPath_);
        if (oldTmp_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp_);
        qunsetenv("FAKE_REGEDIT_OUT");
    }
    FakeRegedit(const FakeRegedit &) = delete;
    FakeRegedit &operator=(const FakeRegedit &) = delete;

    // The temporary folder while the fixture lives, and the script's place in it.
    QString tempFolder() const { return temp_.path(); }
    QString scriptPath() const { return temp_.path() + QStringLiteral("/GlossmithAssoc.reg"); }

    // The runs so far ("args0", "args1", ...), the arguments and the script of one run.
    QStringList runs() const
    {
        return QDir(out_.path()).entryList({QStringLiteral("args*")}, QDir::Files, QDir::Name);
    }
    QByteArray args(int run) const { return ReadAll(out_.filePath(QStringLiteral("args%1").arg(run))); }
    QByteArray script(int run) const { return ReadAll(out_.filePath(QStringLiteral("script%1").arg(run))); }

    // The script that the template gives for a program path (backslashes already doubled).
    static QByteArray ExpectedScript(const QByteArray &path)
    {
        return "REGEDIT4\r\n"
               "\r\n"
               "[-HKEY_CLASSES_ROOT\\.ZVlang]\r\n"
               "\r\n"
               "[-HKEY_CLASSES_ROOT\\ZV.Zvlang]\r\n"
               "\r\n"
               "[HKEY_CLASSES_ROOT\\ZV.Zvlang]\r\n"
               "@=\"Zorvane language file\"\r\n"
               "\r\n"
               "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\DefaultIcon]\r\n"
               "@=\"\\\"" + path + "\\\",0\"\r\n"
               "\r\n"
               "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\Shell]\r\n"
               "\r\n"
               "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\Shell\\Open]\r\n"
               "\r\n"
               "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\Shell\\Open\\Command]\r\n"
               "@=\"\\\"" + path + "\\\" \\\"%1\\\"\"\r\n"
               "\r\n"
               "[HKEY_CLASSES_ROOT\\.ZVlang]\r\n"
               "@=\"ZV.Zvlang\"\r\n";
    }

private:
    static QByteArray ReadAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir bin_, out_, temp_;
    QByteArray oldPath_, oldTmp_;
};
