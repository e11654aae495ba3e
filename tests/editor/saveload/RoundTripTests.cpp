// What a save writes, a load brings back: every record of the built-in English table
// translated, saved, opened in a fresh window and saved again.
#include "SaveLoadFixture.h"

namespace {

// A translation per node that exercises the conversions: line breaks, game characters
// beyond ASCII, empty texts.
QString TextFor(uint32_t id, int line)
{
    switch ((id >> 8 ^ uint32_t(line)) % 4) {
    case 0:
        return QStringLiteral("T%1 %2").arg(id, 0, 16).arg(line);
    case 1:
        return QStringLiteral("two\r\nlines %1").arg(id, 0, 16);
    case 2:
        return QString::fromUtf8("Д\u263A\u263B %1").arg(line);
    default:
        return QString();
    }
}

} // namespace

TEST_F(SaveLoadTest, RoundTripOfEveryEnglishRecord)
{
    Open();
    SetHeaderFields(123, QStringLiteral("Round trip"), kSpanish);
    // Every single and every group checked with all its lines, except one group with no
    // checked line, one unchecked group and one unchecked single.
    int groups = 0;
    uint32_t unchecked = 0;
    for (PVirtualNode n : TopLevel(frm->Tree)) {
        RecData *r = Rec(n);
        if (r->kind == KindSingle) {
            if (!unchecked) {
                unchecked = r->id;
                r->newText = QStringLiteral("not saved");
                continue;
            }
            Translate(n, TextFor(r->id, 0));
            continue;
        }
        ++groups;
        if (groups == 2)
            continue;  // unchecked group
        n->CheckState = csCheckedNormal;
        if (groups == 3)
            continue;  // checked group, no checked line
        int i = 0;
        for (PVirtualNode line : Children(n))
            Translate(line, TextFor(r->id, ++i));
    }
    // A record the stock table lacks, as "+G" makes it, with two lines.
    PVirtualNode extra = Top(0x0200C100, KindGroup);
    extra->CheckState = csCheckedNormal;
    Translate(frm->AddRecordNode(extra, RecData{0x0200C100, KindSingle, {}, {}}), "x1");
    Translate(frm->AddRecordNode(extra, RecData{0x0200C100, KindSingle, {}, {}}), "");

    const QStringList saved = CheckedPart(*frm);
    ASSERT_GT(saved.size(), 1700);
    SaveAs(Path("round.ZVlang"));
    const QByteArray first = ReadBytes(Path("round.ZVlang"));

    frm.reset();
    Open();
    frm->LoadLangpack(Path("round.ZVlang"));
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Round trip"));
    EXPECT_EQ(frm->IDed->Value(), 123);
    EXPECT_EQ(frm->BaseLangCb->currentIndex(), kSpanish);
    const QStringList loaded = CheckedPart(*frm);
    EXPECT_EQ(loaded.size(), saved.size());
    for (int i = 0; i < std::min(loaded.size(), saved.size()); ++i)
        ASSERT_EQ(loaded[i], saved[i]) << i;
    EXPECT_EQ(Top(unchecked)->CheckState, csUncheckedNormal);
    EXPECT_TRUE(Rec(Top(unchecked))->newText.isEmpty());

    SaveAs(Path("again.ZVlang"));
    EXPECT_EQ(ReadBytes(Path("again.ZVlang")), first) << "saving the opened file writes the same bytes";
}
