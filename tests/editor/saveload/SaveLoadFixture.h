// Main windows that save and open langpacks in a scratch folder: the save dialog answered
// by the test, langpack bytes put together word by word, and the document read back as
// plain values to compare.
#pragma once

#include "../window/WindowFixture.h"

#include "FileDialog.h"
#include "LangpackFormat.h"
#include "Program.h"
#include "platform/SpinEdit.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>

// Failed comparisons show texts as text.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline constexpr uint32_t E = 0xFFFFFFFF;

// Little-endian words.
inline QByteArray Words(std::initializer_list<uint32_t> words)
{
    QByteArray out;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i)
            out.append(char(w >> (8 * i) & 0xFF));
    return out;
}

// A langpack header: version 3.6.31.0, the ids, the name bytes (cut or padded to the
// 32-byte field) and the pool offset.
inline QByteArray Header(uint32_t languageId, uint32_t baseLanguage, const QByteArray &name, uint32_t poolOffset)
{
    QByteArray field = name;
    field.resize(32, '\0');
    return QByteArray("ZVLANG\0\0\3\0\6\0\37\0\0\0", 16) + Words({languageId, baseLanguage}) + field +
           Words({poolOffset});
}

// A whole langpack: the header with the pool right behind the index (unless told), the
// index words and the pool bytes.
inline QByteArray Langpack(std::initializer_list<uint32_t> index, const QByteArray &pool,
                           uint32_t languageId = 100, uint32_t baseLanguage = 7,
                           const QByteArray &name = "Lang1", std::optional<uint32_t> poolOffset = {})
{
    const uint32_t offset = poolOffset ? *poolOffset : uint32_t(kLangpackHeaderSize + 4 * index.size());
    return Header(languageId, baseLanguage, name, offset) + Words(index) + pool;
}

// NUL-terminated strings back to back, as a pool holds them.
inline QByteArray Pool(std::initializer_list<const char *> strings)
{
    QByteArray out;
    for (const char *s : strings)
        out.append(s).append('\0');
    return out;
}

// Lines of the warning after a damaged langpack was opened that several cases share.
inline const char *const kUncheckedInTheGame =
    "In the game a record left unchecked keeps the base language's text or list, and a line left unchecked is "
    "left out: the later lines of its group move up one place, as a save writes them.";

inline QString IndexCut(int records)
{
    return records == 1 ? QStringLiteral("The record index ends before its end marker, after 1 complete record; "
                                         "what follows it is left out, in the game too.")
                        : QStringLiteral("The record index ends before its end marker, after %1 complete records; "
                                         "what follows them is left out, in the game too.")
                              .arg(records);
}

inline QString PoolPastEnd(int offset, int fileSize)
{
    return QStringLiteral("The string pool offset %1 lies past the end of the file (%2 bytes): no row is checked, "
                          "and the game takes nothing from the file.")
        .arg(offset)
        .arg(fileSize);
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// A byte string shown as hex, so that a failed comparison tells where the files part.
inline std::string Hex(const QByteArray &bytes)
{
    return bytes.toHex(' ').toStdString();
}

class SaveLoadTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        TFileDialog::SetResponder([this](const TFileDialog &dialog) {
            proposedDir << dialog.InitialDir;
            proposedName << dialog.FileName;
            return dialogAnswer;
        });
    }
    void TearDown() override
    {
        TFileDialog::SetResponder({});
        SetProgramArguments({});
        WindowTest::TearDown();
    }

    QString Path(const QString &name) const { return QDir(folder.path()).filePath(name); }

    // The Save command with the dialog answered by `fileName` (nothing: Cancel).
    void SaveAs(const std::optional<QString> &fileName)
    {
        dialogAnswer = fileName;
        frm->SaveBtnClick(nullptr);
    }

    // The top-level node of an id; a new unchecked node at its sorted place when the stock
    // table has none (the "+S" and "+G" commands make such nodes).
    PVirtualNode Top(uint32_t id, uint32_t kind = KindSingle)
    {
        PVirtualNode prev = nullptr;
        for (PVirtualNode n : TopLevel(frm->Tree)) {
            if (Rec(n)->id == id)
                return n;
            if (Rec(n)->id < id)
                prev = n;
        }
        const RecData record{id, kind, QString(), QString()};
        return prev ? frm->InsertRecordNode(prev, amInsertAfter, record)
                    : frm->InsertRecordNode(frm->Tree->RootNode(), amAddChildFirst, record);
    }

    // The n-th line of a group node (0 first).
    static PVirtualNode Line(PVirtualNode group, int n)
    {
        PVirtualNode line = group->FirstChild;
        while (line && n-- > 0)
            line = line->NextSibling;
        return line;
    }

    // Gives a node a translation and checks it, as a commit does.
    void Translate(PVirtualNode node, const QString &text)
    {
        Rec(node)->newText = text;
        node->CheckState = csCheckedNormal;
    }

    // The window's header fields as a save takes them.
    void SetHeaderFields(double id, const QString &name, int baseIndex)
    {
        frm->IDed->SetValue(id);
        frm->Nameed->setText(name);
        frm->BaseLangCb->setCurrentIndex(baseIndex);
    }

    std::optional<QString> dialogAnswer;
    QStringList proposedDir;
    QStringList proposedName;
};

// The checked part of a document, one line per record: "id kind [text]" for a single,
// "id kind {line|line}" for a group with its checked lines.
inline QStringList CheckedPart(TZvLngFrm &frm)
{
    QStringList out;
    for (PVirtualNode n = frm.Tree->RootNode()->FirstChild; n; n = n->NextSibling) {
        if (n->CheckState == csUncheckedNormal)
            continue;
        const RecData *r = frm.NodeRecord(n);
        QString line = QString::asprintf("%08X %u ", r->id, r->kind);
        if (r->kind == KindSingle) {
            line += QLatin1Char('[') + r->newText + QLatin1Char(']');
        } else {
            QStringList lines;
            for (PVirtualNode c = n->FirstChild; c; c = c->NextSibling)
                if (c->CheckState == csCheckedNormal)
                    lines << frm.NodeRecord(c)->newText;
            line += QLatin1Char('{') + lines.join(QLatin1Char('|')) + QLatin1Char('}');
        }
        out << line;
    }
    return out;
}
