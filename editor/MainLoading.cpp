// Opening a langpack and laying its records over the stock strings.
//
// The bytes are taken apart by ParseLangpack, which trusts nothing in the file (see
// LangpackReader.h for what it does with each kind of damage); this file only lays the
// records it found over a tree freshly built from the stock strings.
#include "Main.h"

#include "LangpackFormat.h"
#include "LangpackReader.h"
#include "Zvcharset.h"
#include "platform/FileLoad.h"
#include "platform/MessageBox.h"
#include "platform/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <string_view>

namespace {

QString GameText(std::string_view bytes)
{
    return GameToUnicode(QByteArrayView(bytes.data(), qsizetype(bytes.size())), true);
}

// Finds the top-level node of an id as a scan from the first node would: the first node
// whose id is not below it. While the ids of the file ascend, each scan goes on from where
// the one before stopped, so a langpack in id order is laid over the tree in one pass.
class TopLevelFinder {
public:
    explicit TopLevelFinder(TZvLngFrm &frm) : frm_(frm) {}

    struct Place {
        PVirtualNode node = nullptr;  // the node of the id, or null
        PVirtualNode prev = nullptr;  // the last node with a smaller id, or null
    };

    Place Find(uint32_t id)
    {
        if (!resume_ || id < lastId_)
            prev_ = nullptr;
        PVirtualNode prev = prev_;
        PVirtualNode node = prev ? prev->NextSibling : frm_.Tree->RootNode()->FirstChild;
        while (node) {
            const RecData *data = frm_.NodeRecord(node);
            if (data && data->id >= id)
                break;
            prev = node;
            node = node->NextSibling;
        }
        prev_ = prev;
        lastId_ = id;
        resume_ = true;
        const RecData *data = frm_.NodeRecord(node);
        return Place{data && data->id == id ? node : nullptr, prev};
    }

    // A new node with a smaller id than every node after `prev` leaves the next scan's
    // starting point valid: the scan passes over it like over any smaller id.
    PVirtualNode Insert(const Place &place, const RecData &record)
    {
        return place.prev ? frm_.InsertRecordNode(place.prev, amInsertAfter, record)
                          : frm_.InsertRecordNode(frm_.Tree->RootNode(), amAddChildFirst, record);
    }

private:
    TZvLngFrm &frm_;
    PVirtualNode prev_ = nullptr;
    uint32_t lastId_ = 0;
    bool resume_ = false;
};

} // namespace

void TZvLngFrm::LoadLangpack(const QString &fileName)
{
    FiName->setText(fileName);
    const QByteArray bytes = LoadBytesFromFile(fileName);
    const LangpackContent content = ParseLangpack(bytes.constData(), std::size_t(bytes.size()));
    if (!content.recognised) {
        MessageBoxW(nullptr, QStringLiteral("Unknown file structure."), QStringLiteral("Error detected."),
                    MB_OK | MB_ICONERROR);
        return;
    }

    const LangpackHeaderView &header = content.header;
    Nameed->setText(GameText(header.name));
    IDed->SetValue(double(header.languageId));

    BaseLangCb->setCurrentIndex(DefaultBaseIndex);
    ClearTree();
    FillTreeFromBase();
    // FindLangIndex compares all 32 bits, so an id above 0xFFFF matches no language.
    const int base = FindLangIndex(int32_t(header.baseLanguage));
    if (base >= 0) {
        BaseLangCb->setCurrentIndex(base);
        ReloadTemplates();
    }

    Tree->BeginUpdate();
    TopLevelFinder finder(*this);
    for (const LangpackRecordView &record : content.records) {
        const TopLevelFinder::Place place = finder.Find(record.id);
        PVirtualNode node = place.node;
        if (record.isSingle()) {
            const QString text = GameText(record.values.front());
            if (node) {
                RecData *data = NodeRecord(node);
                data->newText = text;
                data->kind = KindSingle;
                Tree->InvalidateNode(node);
            } else {
                node = finder.Insert(place, RecData{record.id, KindSingle, QString(), text});
            }
            node->CheckState = csCheckedNormal;
            continue;
        }

        if (node) {
            RecData *data = NodeRecord(node);
            data->newText.clear();
            data->kind = KindGroup;
            Tree->InvalidateNode(node);
        } else {
            node = finder.Insert(place, RecData{record.id, KindGroup,
                                                QString::fromUtf16(kGroupTemplatePrefix), QString()});
        }
        node->CheckState = csCheckedNormal;
        // Lines go by position: the n-th value to the n-th line, new last lines after them.
        PVirtualNode cursor = node->FirstChild;
        for (std::string_view value : record.values) {
            const QString text = GameText(value);
            if (cursor) {
                NodeRecord(cursor)->newText = text;
                Tree->InvalidateNode(cursor);
            } else {
                cursor = InsertRecordNode(node, amAddChildLast, RecData{record.id, KindSingle, QString(), text});
            }
            cursor->CheckState = csCheckedNormal;
            cursor = cursor->NextSibling;
        }
    }
    Tree->EndUpdate();

    // Cleared once the tree is rebuilt: emptying the old tree leaves its focused node, and
    // the commit of a translation typed there but not yet stored would set the flag again.
    ChangedCb->setChecked(false);

    // The walk may have changed the translation of the focused node behind the memos; show
    // that node again (without a commit: there is no node being left), so that the next
    // commit compares the memo with what the node now holds.
    bool allowed = true;
    TreeFocusChanging(Tree, nullptr, Tree->FocusedNode(), Tree->FocusedColumn(), Tree->FocusedColumn(),
                      allowed);
}
