// A program folder of the test's own with a small stock table "Langdef.df" in it, for main
// windows that the search window and the about box work with.
#pragma once

#include "ProgramFolder.h"
#include "core/LangdefBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class StockFolder {
public:
    // Writes the table and makes the folder the program's until the object goes.
    explicit StockFolder(const LangdefBuilder &table)
    {
        EXPECT_TRUE(folder_.isValid());
        QFile file(QDir(folder_.path()).filePath(QStringLiteral("Langdef.df")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray bytes = table.Build();
        EXPECT_EQ(file.write(bytes), bytes.size());
        SetProgramFolder(folder_.path());
    }
    ~StockFolder() { SetProgramFolder(QString()); }
    StockFolder(const StockFolder &) = delete;
    StockFolder &operator=(const StockFolder &) = delete;

private:
    QTemporaryDir folder_;
};
