#include "Searchx.h"

#include "Main.h"
#include "Zvcharset.h"
#include "platform/Application.h"
#include "platform/Beep.h"
#include "platform/Fonts.h"

#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <iterator>

TSearchFrm *SearchFrm = nullptr;

namespace {

const int kClientWidth = 251;
const int kClientHeight = 57;

template <class W>
W *Placed(W *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, int left)
{
    auto *button = Placed(new QPushButton(caption, parent), name, left, 34, 64, 24);
    button->setFont(WindowFont(23));
    button->setAutoDefault(false);
    return button;
}

// The memo's document keeps every line break (CR LF, lone CR or lone LF) as one block
// separator, while the node texts count CR LF as two characters: the document position of
// text position `i`.
int DocumentPosition(const QString &text, int i)
{
    int pairs = 0;
    for (int k = 0; k + 1 < i && k + 1 < text.size(); ++k)
        if (text[k] == u'\r' && text[k + 1] == u'\n')
            ++pairs;
    return i - pairs;
}

} // namespace

TSearchFrm::TSearchFrm(QWidget *owner) : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("SearchFrm"));
    setWindowTitle(QStringLiteral("Search"));
    setFont(WindowFont(11));
    BuildLayout();
    MatchNode = nullptr;
    LastDirection = 0;
}

TSearchFrm::~TSearchFrm() = default;

void TSearchFrm::BuildLayout()
{
    // The height is held; the window widens, and the query field with it.
    setMinimumSize(kClientWidth, kClientHeight);
    setMaximumHeight(kClientHeight);
    resize(kClientWidth, kClientHeight);

    Panel1 = Placed(new QFrame(this), "Panel1", 0, 0, kClientWidth, kClientHeight);
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setMinimumSize(kClientWidth, kClientHeight);
    Panel1->setMaximumHeight(kClientHeight);

    FindEd = Placed(new QLineEdit(Panel1), "FindEd", 0, 0, kClientWidth, 21);
    InTempl = Placed(new QRadioButton(QStringLiteral("in template"), Panel1), "InTempl", 2, 19, 113, 17);
    InTempl->setChecked(true);
    InTrans = Placed(new QRadioButton(QStringLiteral("in translate"), Panel1), "InTrans", 80, 19, 113, 17);
    // Reaches to the window's right edge: 84 pixels leave room for a box and gap of 17
    // pixels before "case-sensitive"; the platform's styles take a few more.
    CaseSens = Placed(new QCheckBox(QStringLiteral("case-sensitive"), Panel1), "CaseSens", 160, 19,
                      kClientWidth - 160, 17);
    CaseSens->setChecked(false);
    FindBack = Button(Panel1, "FindBack", QStringLiteral("\u25C4"), -1);
    FromEnd = Button(Panel1, "FromEnd", QStringLiteral("\u25C4\u221E"), 62);
    FromStart = Button(Panel1, "FromStart", QStringLiteral("0\u25BA"), 125);
    FindNext = Button(Panel1, "FindNext", QStringLiteral("\u25BA"), 188);

    QWidget *order[] = {CaseSens, FindBack, FindEd, FindNext, FromEnd, FromStart, InTempl, InTrans};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(FindNext, &QPushButton::clicked, this, AsHandler([this] { FindNextClick(FindNext); }));
    connect(FindBack, &QPushButton::clicked, this, AsHandler([this] { FindBackClick(FindBack); }));
    connect(FromStart, &QPushButton::clicked, this, AsHandler([this] { FromStartClick(FromStart); }));
    connect(FromEnd, &QPushButton::clicked, this, AsHandler([this] { FromEndClick(FromEnd); }));
    connect(InTempl, &QRadioButton::clicked, this, AsHandler([this] { InTemplClick(InTempl); }));
    connect(InTrans, &QRadioButton::clicked, this, AsHandler([this] { InTemplClick(InTrans); }));

    // Every key of the window and its controls passes FormKeyDown first.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

bool TSearchFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        int key = VirtualKeyFromQtKey(keyEvent->key());
        if (key != 0) {
            FormKeyDown(this, key, ShiftStateFromModifiers(keyEvent->modifiers()));
            if (key == 0)
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TSearchFrm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Panel1->resize(width(), kClientHeight);
    FindEd->resize(width(), FindEd->height());
}

void TSearchFrm::showEvent(QShowEvent *event)
{
    // Centred on the main window the first time it is shown; later where the user left it.
    if (!placed_ && ZvLngFrm && !event->spontaneous()) {
        placed_ = true;
        const QRect main = ZvLngFrm->frameGeometry();
        const QRect frame = frameGeometry();
        move(main.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    QWidget::showEvent(event);
}

// ---- searching ----

int TSearchFrm::GamePos(const QString &query, const QString &text, bool caseSensitive)
{
    QByteArray needle = UnicodeToGame(query, false);
    QByteArray haystack = UnicodeToGame(text, false);
    if (needle.isEmpty() || haystack.isEmpty())
        return 0;
    if (!caseSensitive) {
        needle = GameUpperCase(needle);
        haystack = GameUpperCase(haystack);
    }
    return int(haystack.indexOf(needle)) + 1;
}

void TSearchFrm::FindNextClick(QObject *)
{
    Search(Forwards);
}

void TSearchFrm::FindBackClick(QObject *)
{
    Search(Backwards);
}

void TSearchFrm::Search(Direction direction)
{
    LastDirection = direction;
    TZvLngFrm *main = ZvLngFrm;
    if (!main) {
        MessageBeep(0);
        return;
    }
    TVirtualStringTree *tree = main->Tree;
    const auto step = [tree, direction](PVirtualNode node) {
        return direction == Forwards ? tree->GetNextLeaf(node) : tree->GetPreviousLeaf(node);
    };

    // After a hit that is still focused, go on with the neighbouring leaf; after the focus
    // has moved, begin with the focused node itself (in its own text, even for a group).
    PVirtualNode node = tree->FocusedNode();
    if (node == MatchNode) {
        node = step(node);
        if (!node) {
            MessageBeep(0);
            return;
        }
    }

    const bool inTemplate = InTempl->isChecked();
    const QString query = FindEd->text();
    for (; node; node = step(node)) {
        const RecData *record = main->NodeRecord(node);
        if (!record)
            continue;
        const QString &text = inTemplate ? record->templateText : record->newText;
        const int p = GamePos(query, text, CaseSens->isChecked());
        if (p > 0) {
            ShowHit(main, node, inTemplate ? main->Old : main->New, text, p - 1, int(query.size()));
            return;
        }
    }
    MessageBeep(0);
}

void TSearchFrm::ShowHit(TZvLngFrm *main, PVirtualNode node, QPlainTextEdit *memo,
                         const QString &text, int start, int length)
{
    // The focus change shows the node in both memos (and commits the one it leaves).
    main->Tree->SetFocusedNode(node);

    memo->window()->activateWindow();
    memo->setFocus(Qt::OtherFocusReason);

    const int last = memo->document()->characterCount() - 1;
    const int from = std::clamp(DocumentPosition(text, start), 0, std::max(last, 0));
    const int to = std::clamp(DocumentPosition(text, start + length), from, std::max(last, 0));
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    memo->setTextCursor(cursor);   // scrolls the selection into view
    memo->ensureCursorVisible();

    MatchNode = node;
}

void TSearchFrm::FindAgain()
{
    if (LastDirection == Backwards)
        FindBackClick(nullptr);
    else if (LastDirection == Forwards)
        FindNextClick(nullptr);
    else
        MessageBeep(0);
}

void TSearchFrm::InTemplClick(QObject *)
{
    // The next search begins with the focused node, now in the other field.
    MatchNode = nullptr;
}

void TSearchFrm::FromStartClick(QObject *)
{
    SearchFromFirstOrLast(Forwards);
}

void TSearchFrm::FromEndClick(QObject *)
{
    SearchFromFirstOrLast(Backwards);
}

// The last hit is forgotten before the search: a first (last) node that is still the last
// hit is searched too, and the hit found here is the one the next ► or ◄ moves on from.
void TSearchFrm::SearchFromFirstOrLast(Direction direction)
{
    if (!ZvLngFrm) {
        MessageBeep(0);
        return;
    }
    TVirtualStringTree *tree = ZvLngFrm->Tree;
    MatchNode = nullptr;
    tree->SetFocusedNode(direction == Forwards ? tree->GetFirst() : tree->GetLast());
    Search(direction);
}

void TSearchFrm::FormKeyDown(QObject *, int &Key, TShiftState)
{
    if (Key == VK_F3) {
        if (!isVisible())
            show();
        FindAgain();
        Key = 0;
    }
    if (Key == VK_RETURN) {
        FromStartClick(nullptr);
        Key = 0;
    }
}
