// The main window: construction and layout, the language-id field, the timer, the links
// to the search window, the about box and the web page, the column split and shut-down.
#include "Main.h"

#include "About.h"
#include "FileDialog.h"
#include "LangpackFormat.h"
#include "Makedef_3_6_31_0.h"
#include "Program.h"
#include "ProgramFolder.h"
#include "Searchx.h"
#include "platform/Application.h"
#include "platform/Color.h"
#include "platform/Fonts.h"
#include "platform/KeyState.h"
#include "platform/Memo.h"
#include "platform/MessageBox.h"
#include "platform/Random.h"
#include "platform/Shell.h"
#include "platform/SpinEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

TZvLngFrm *ZvLngFrm = nullptr;

#ifndef GLOSSMITH_WEB_PAGE
#define GLOSSMITH_WEB_PAGE "https://glossmith.example.org/"
#endif
const char *const ProjectWebPage = GLOSSMITH_WEB_PAGE;

namespace {

const char kCaption[] = "Verbatrix langpack editor";
const int kClientWidth = 757;
const int kClientHeight = 591;
const int kPanel1Height = 65;
const int kPanel3Height = 43;
const int kPanel3Inner = kPanel3Height - 2;  // within its margins of 1 above and below
const int kUnlockHeight = 17;
const int kPanel4Height = 212;
const int kOldHeight = 105;
const TColor kIdInitialColor = 0x00FF0000;  // blue

const char kHelpText[] =
    "Use Ctrl+(Up/Dwn/Left/Right) and Ctrl+Enter for fast navigation\r\n"
    "Use Alt+Numpad1 and Alt+Numpad2 to enter \u263A\u263B symbols. \r\n"
    "These symbols are used in kill comments to insert killer name and count of killed. ";

template <class W>
W *Named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = Named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    return button;
}

QFrame *Panel(QWidget *parent, const char *name)
{
    auto *panel = Named(new QFrame(parent), name);
    panel->setFrameShape(QFrame::NoFrame);
    return panel;
}

QLabel *Label(QWidget *parent, const char *name, const QString &text)
{
    return Named(new QLabel(text, parent), name);
}

} // namespace

TZvLngFrm::TZvLngFrm(QWidget *Owner) : QWidget(Owner)
{
    setObjectName(QStringLiteral("ZvLngFrm"));
    setWindowTitle(QLatin1String(kCaption));
    BuildLayout();
    BindEvents();

    // Every Qt widget paints through a back buffer, so IDed repaints without flicker as
    // its colour walks. The window has no icon of its own: it shows the program's.

    LangdefStream = std::make_unique<Langdef>(Langdef::Load(ProgramFolder()));
    StockVersion = LangdefStream->StockVersion();
    setWindowTitle(QString::asprintf("%s %d.%d.%d.%d.", windowTitle().toUtf8().constData(),
                                     int(StockVersion[0]), int(StockVersion[1]),
                                     int(StockVersion[2]), int(StockVersion[3])));

    // Items set from code raise no change: BaseLangCbChange is bound to the user's choice.
    for (int i = 0; i < LangdefStream->EntryCount(); ++i)
        BaseLangCb->addItem(LangdefStream->EntryName(i));
    DefaultBaseIndex = LangdefStream->DefaultBaseIndex();
    BaseLangCb->setCurrentIndex(DefaultBaseIndex);
    if (BaseLangCb->currentIndex() < 0)
        BaseLangCb->setCurrentIndex(0);

    OpenDialog->InitialDir = ProgramFolder();
    SaveDialog->InitialDir = OpenDialog->InitialDir;
    FiName->setText(InProgramFolder(QStringLiteral("Untitled.ZVlang")));

    // A langpack named on the command line is opened (a file that cannot be read ends
    // start-up with its error shown); otherwise the document starts from the stock strings.
    if (ParamCount() >= 1)
        LoadLangpack(ParamStr(1));
    else
        FillTreeFromBase();
}

TZvLngFrm::~TZvLngFrm()
{
    if (!destroyed_)
        FormDestroy(this);
    if (ZvLngFrm == this)
        ZvLngFrm = nullptr;
}

// ---- layout ----

// The window and its strips, top to bottom as they stand: the top strip, the tree, the
// strip below the tree and the memo area; "π" over the top-right corner.
void TZvLngFrm::BuildLayout()
{
    setFont(WindowFont(11));
    resize(kClientWidth, kClientHeight);
    setMinimumSize(700, 400);
    move(0, 0);

    OpenDialog = std::make_unique<TFileDialog>(TFileDialog::Kind::Open);
    SaveDialog = std::make_unique<TFileDialog>(TFileDialog::Kind::Save);
    for (TFileDialog *dialog : {OpenDialog.get(), SaveDialog.get()}) {
        dialog->DefaultExt = QStringLiteral("ZVlang");
        dialog->Filter = QStringLiteral("ZV langpack file (*.ZVlang)");
    }

    auto *windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->setSpacing(0);
    windowLayout->addWidget(BuildTopStrip());

    // The tree with its strip of commands below, above the memo area.
    Splitter2 = Named(new QSplitter(Qt::Vertical, this), "Splitter2");
    Splitter2->setOpaqueResize(true);
    Splitter2->setChildrenCollapsible(false);
    auto *treeArea = new QWidget(Splitter2);
    auto *treeLayout = new QVBoxLayout(treeArea);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    treeLayout->addWidget(BuildTree(treeArea), 1);
    treeLayout->addWidget(BuildCommandStrip(treeArea));
    BuildMemoArea(Splitter2);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setSizes({kClientHeight - kPanel1Height - kPanel4Height - Splitter2->handleWidth(),
                         kPanel4Height});
    windowLayout->addWidget(Splitter2, 1);

    BuildPiLabel();

    Timer = Named(new QTimer(this), "Timer");
    Timer->setInterval(10);
}

// The top strip: the file row, then the langpack's id, name and base language with the
// association and the about box at the right.
QFrame *TZvLngFrm::BuildTopStrip()
{
    Panel1 = Panel(this, "Panel1");
    Panel1->setFixedHeight(kPanel1Height);
    auto *stripLayout = new QVBoxLayout(Panel1);
    stripLayout->setContentsMargins(4, 4, 4, 4);
    stripLayout->setSpacing(4);

    auto *fileRow = new QHBoxLayout;
    fileRow->setSpacing(4);
    NewBtn = Button(Panel1, "NewBtn", QStringLiteral("&New"));
    OpenBtn = Button(Panel1, "OpenBtn", QStringLiteral("&Open"));
    SaveBtn = Button(Panel1, "SaveBtn", QStringLiteral("&Save"));
    ChangedCb = Named(new QCheckBox(Panel1), "ChangedCb");
    ChangedCb->setEnabled(false);
    FiName = Named(new QLineEdit(Panel1), "FiName");
    FiName->setReadOnly(true);
    {
        QPalette palette = FiName->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        FiName->setPalette(palette);
    }
    fileRow->addWidget(NewBtn);
    fileRow->addWidget(OpenBtn);
    fileRow->addWidget(SaveBtn);
    fileRow->addWidget(ChangedCb);
    fileRow->addWidget(FiName, 1);
    fileRow->addSpacing(14);  // room for the "π" in the corner
    stripLayout->addLayout(fileRow);

    auto *idRow = new QHBoxLayout;
    idRow->setSpacing(4);
    Label1 = Label(Panel1, "Label1", QStringLiteral("ID"));
    Label1->setFont(WindowFont(11, true));
    IDed = Named(new TJvSpinEdit(Panel1), "IDed");
    IDed->SetMinValue(-1);
    IDed->SetMaxValue(kLastLanguageId);
    IDed->SetValue(-1);
    IDed->SetColor(kIdInitialColor);
    IDed->setFont(WindowFont(11, true));
    IDed->setFixedWidth(56);
    IDed->setToolTip(QStringLiteral(
        "Identification number of language (to save in ZV parameters, etc).... Do not override "
        "other languages (IDs from 0 to 8) if you make new language or full langpack...."));
    RandGen = Button(Panel1, "RandGen", QStringLiteral("R"));
    RandGen->setFixedWidth(22);
    RandGen->setToolTip(QStringLiteral("Generete random ID"));
    Label2 = Label(Panel1, "Label2", QStringLiteral("Name"));
    Nameed = Named(new QLineEdit(QStringLiteral("Lang1"), Panel1), "Nameed");
    Nameed->setMaxLength(31);
    Nameed->setFixedWidth(110);
    Label3 = Label(Panel1, "Label3", QStringLiteral("Base language"));
    BaseLangCb = Named(new QComboBox(Panel1), "BaseLangCb");
    BaseLangCb->setEditable(false);
    BaseLangCb->setMinimumWidth(110);
    BaseLangCb->setToolTip(QStringLiteral(
        "Base language for new langpack. Strings that was not included ('V' in list) will be "
        "used from this base language of game."));
    AssocBtn = Button(Panel1, "AssocBtn", QStringLiteral("Associate .ZVlang with editor"));
    AssocBtn->setIcon(style()->standardIcon(QStyle::SP_VistaShield));
    AssocBtn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    AboutBtn = Button(Panel1, "AboutBtn", QStringLiteral("&About"));
    AboutBtn->setFixedWidth(75);
    idRow->addWidget(Label1);
    idRow->addWidget(IDed);
    idRow->addWidget(RandGen);
    idRow->addSpacing(8);
    idRow->addWidget(Label2);
    idRow->addWidget(Nameed);
    idRow->addSpacing(8);
    idRow->addWidget(Label3);
    idRow->addWidget(BaseLangCb);
    idRow->addStretch(1);
    idRow->addWidget(AssocBtn);
    idRow->addWidget(AboutBtn);
    stripLayout->addLayout(idRow);
    return Panel1;
}

// The tree and its three columns; the header gives the last one what the others leave.
TVirtualStringTree *TZvLngFrm::BuildTree(QWidget *parent)
{
    Tree = Named(new TVirtualStringTree(parent), "Tree");
    Tree->setFocusPolicy(Qt::StrongFocus);
    Tree->AddColumn(QStringLiteral("ID"), 120, 200);
    Tree->AddColumn(QStringLiteral("Template string"), 310);
    Tree->AddColumn(QStringLiteral("New string"), 323);
    Tree->SetAutoSizeIndex(2);
    Tree->SetHeaderHeight(17);
    Tree->SetIndent(12);
    return Tree;
}

// The strip below the tree: the unlock box above the record commands, the line commands,
// the help text and its decoration, and the hidden table builder.
QFrame *TZvLngFrm::BuildCommandStrip(QWidget *parent)
{
    // The strip is 43 pixels high, more only where the help text needs more lines.
    Panel3 = Panel(parent, "Panel3");
    Panel3->setMinimumHeight(kPanel3Height);
    Panel3->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *commandLayout = new QHBoxLayout(Panel3);
    commandLayout->setContentsMargins(4, 1, 4, 1);
    commandLayout->setSpacing(6);

    // The unlock box and, below it, the record commands fill the strip's height. The group
    // box's controls are placed by hand: the margins a style keeps inside a group box would
    // leave a layout too little room.
    auto *unlockColumn = new QVBoxLayout;
    unlockColumn->setSpacing(0);
    Ulnlck = Named(new QCheckBox(QStringLiteral("Unlock \"special\" functions (abnormal work)"), Panel3),
                   "Ulnlck");
    Ulnlck->setFocusPolicy(Qt::ClickFocus);
    Ulnlck->setFixedHeight(kUnlockHeight);
    GB1 = Named(new QGroupBox(Panel3), "GB1");
    GB1->setFixedHeight(kPanel3Inner - kUnlockHeight);
    StIDed = Named(new TJvSpinEdit(GB1), "StIDed");
    StIDed->SetHexadecimal(true);
    StIDed->SetValue(0);
    StIDed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StIDed->setGeometry(3, 3, 80, 18);
    StIDed->setEnabled(false);
    AddStrBtn = Button(GB1, "AddStrBtn", QStringLiteral("+S"));
    AddStrBtn->setToolTip(QStringLiteral("Use this butt to add new single string"));
    AddGrBtn = Button(GB1, "AddGrBtn", QStringLiteral("+G"));
    AddGrBtn->setToolTip(QStringLiteral("Use this butt to add new string group"));
    DelGr = Button(GB1, "DelGr", QStringLiteral("-X"));
    DelGr->setToolTip(QStringLiteral("Use this butt to remove string or group"));
    int left = StIDed->geometry().right() + 5;
    for (QPushButton *button : {AddStrBtn, AddGrBtn, DelGr}) {
        button->setGeometry(left, 3, 26, 18);
        button->setEnabled(false);
        left += 28;
    }
    GB1->setMinimumWidth(left + 1);
    unlockColumn->addWidget(Ulnlck);
    unlockColumn->addWidget(GB1);
    commandLayout->addLayout(unlockColumn);

    auto *lineButtons = new QGridLayout;
    lineButtons->setSpacing(1);
    AddBtn = Button(Panel3, "AddBtn", QStringLiteral("+"));
    AddBtn->setToolTip(QStringLiteral("Add string to group"));
    AddBtn->setEnabled(false);
    DelBtn = Button(Panel3, "DelBtn", QStringLiteral("-"));
    DelBtn->setToolTip(QStringLiteral("Remove string from group"));
    DelBtn->setEnabled(false);
    CpyBtn = Button(Panel3, "CpyBtn", QStringLiteral("\u2193"));
    CpyBtn->setToolTip(QStringLiteral("Copy template to translate"));
    CpyBtn->setFont(WindowFont(14, true));
    SearchBtn = Button(Panel3, "SearchBtn", QString());
    SearchBtn->setIcon(MagnifierIcon());
    SearchBtn->setToolTip(QStringLiteral("Search"));
    for (QPushButton *button : {AddBtn, DelBtn, CpyBtn, SearchBtn})
        button->setFixedSize(24, 19);
    lineButtons->addWidget(AddBtn, 0, 0);
    lineButtons->addWidget(DelBtn, 0, 1);
    lineButtons->addWidget(CpyBtn, 1, 0);
    lineButtons->addWidget(SearchBtn, 1, 1);
    commandLayout->addLayout(lineButtons);

    StaticText1 = Label(Panel3, "StaticText1", QString::fromUtf8(kHelpText));
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // In a narrow window its lines wrap rather than run under the decoration.
    StaticText1->setWordWrap(true);
    commandLayout->addWidget(StaticText1, 1);
    StaticText2 = Label(Panel3, "StaticText2", QStringLiteral("\u2623"));
    {
        QFont big = StaticText2->font();
        big.setPixelSize(47);
        StaticText2->setFont(big);
        StaticText2->setFixedHeight(kPanel3Inner);
    }
    commandLayout->addWidget(StaticText2);
    MakeDefsBtn = Button(Panel3, "MakeDefsBtn", QStringLiteral("MakeDefsBtn"));
    MakeDefsBtn->setVisible(false);
    commandLayout->addWidget(MakeDefsBtn);
    return Panel3;
}

// The memo area: the template above, the translation below.
void TZvLngFrm::BuildMemoArea(QWidget *parent)
{
    Panel4 = Panel(parent, "Panel4");
    auto *memoLayout = new QVBoxLayout(Panel4);
    memoLayout->setContentsMargins(0, 0, 0, 0);
    Splitter3 = Named(new QSplitter(Qt::Vertical, Panel4), "Splitter3");
    Splitter3->setOpaqueResize(true);
    Splitter3->setChildrenCollapsible(false);
    Old = Named(new QPlainTextEdit(Splitter3), "Old");
    New = Named(new QPlainTextEdit(Splitter3), "New");
    Old->setReadOnly(true);
    for (QPlainTextEdit *memo : {Old, New}) {
        // Tab moves on to the next control, as in any field but the tree: it types nothing.
        memo->setTabChangesFocus(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    Splitter3->setStretchFactor(0, 0);
    Splitter3->setStretchFactor(1, 1);
    Splitter3->setSizes({kOldHeight, kPanel4Height - kOldHeight - Splitter3->handleWidth()});
    memoLayout->addWidget(Splitter3);
}

// "π" over the window's top-right corner.
void TZvLngFrm::BuildPiLabel()
{
    StaticText3 = Label(this, "StaticText3", QStringLiteral("\u03C0"));
    StaticText3->setFont(TimesFont(16));
    QPalette palette = StaticText3->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
    StaticText3->setPalette(palette);
    StaticText3->adjustSize();
    PlacePiLabel();
}

// ---- handler bindings ----

void TZvLngFrm::BindEvents()
{
    IDed->OnEnter = [this](TJvSpinEdit *sender) { IDedEnter(sender); };
    IDed->OnExit = [this](TJvSpinEdit *sender) { IDedExit(sender); };
    // Only the user's edits: a name set from code (New, loading) changes nothing.
    connect(Nameed, &QLineEdit::textEdited, this, AsHandler([this] { NameedChange(Nameed); }));
    // editing
    auto *newEvents = new TMemoEvents(New);
    newEvents->OnKeyPress = [this](QObject *sender, QChar &key) { NewKeyPress(sender, key); };
    newEvents->OnExit = [this](QObject *sender) { NewExit(sender); };
    auto *oldEvents = new TMemoEvents(Old);
    oldEvents->OnKeyPress = [this](QObject *sender, QChar &key) { NewKeyPress(sender, key); };
    connect(CpyBtn, &QPushButton::clicked, this, AsHandler([this] { CpyBtnClick(CpyBtn); }));
    connect(AddBtn, &QPushButton::clicked, this, AsHandler([this] { AddBtnClick(AddBtn); }));
    connect(DelBtn, &QPushButton::clicked, this, AsHandler([this] { DelBtnClick(DelBtn); }));
    connect(AddStrBtn, &QPushButton::clicked, this, AsHandler([this] { AddStrBtnClick(AddStrBtn); }));
    connect(AddGrBtn, &QPushButton::clicked, this, AsHandler([this] { AddStrBtnClick(AddGrBtn); }));
    connect(DelGr, &QPushButton::clicked, this, AsHandler([this] { DelGrClick(DelGr); }));
    connect(Ulnlck, &QCheckBox::clicked, this, AsHandler([this] { UlnlckClick(Ulnlck); }));
    StIDed->OnTopClick = [this](TJvSpinEdit *sender) { StIDedTopClick(sender); };
    StIDed->OnBottomClick = [this](TJvSpinEdit *sender) { StIDedBottomClick(sender); };
    StIDed->OnChange = [this](TJvSpinEdit *sender) { StIDedChange(sender); };
    // end editing
    // The file commands; Alt with the underlined letter of &New, &Open, &Save and &About
    // clicks these buttons.
    connect(NewBtn, &QPushButton::clicked, this, AsHandler([this] { NewBtnClick(NewBtn); }));
    connect(OpenBtn, &QPushButton::clicked, this, AsHandler([this] { OpenBtnClick(OpenBtn); }));
    connect(AssocBtn, &QPushButton::clicked, this, AsHandler([this] { AssocBtnClick(AssocBtn); }));
    // The key preview of the window (FormKeyDown) sees the keys of every control first.
    QCoreApplication::instance()->installEventFilter(this);
    StaticText3->installEventFilter(this);
    connect(RandGen, &QPushButton::clicked, this, AsHandler([this] { RandGenClick(RandGen); }));
    connect(Timer, &QTimer::timeout, this, AsHandler([this] { TimerTimer(Timer); }));
    connect(SearchBtn, &QPushButton::clicked, this, AsHandler([this] { SearchBtnClick(SearchBtn); }));
    connect(AboutBtn, &QPushButton::clicked, this, AsHandler([this] { AboutBtnClick(AboutBtn); }));
    connect(MakeDefsBtn, &QPushButton::clicked, this, AsHandler([this] { MakeDefsBtnClick(MakeDefsBtn); }));
    connect(BaseLangCb, &QComboBox::activated, this, AsHandler([this] { BaseLangCbChange(BaseLangCb); }));
    connect(SaveBtn, &QPushButton::clicked, this, AsHandler([this] { SaveBtnClick(SaveBtn); }));

    // the tree
    Tree->OnGetNodeDataSize = [this](TVirtualStringTree *s, int &size) { TreeGetNodeDataSize(s, size); };
    Tree->OnGetText = [this](TVirtualStringTree *s, PVirtualNode node, TColumnIndex column,
                             TVSTTextType type, QString &text) { TreeGetText(s, node, column, type, text); };
    Tree->OnNewText = [this](TVirtualStringTree *s, PVirtualNode node, TColumnIndex column,
                             const QString &text) { TreeNewText(s, node, column, text); };
    Tree->OnEditing = [this](TVirtualStringTree *s, PVirtualNode node, TColumnIndex column,
                             bool &allowed) { TreeEditing(s, node, column, allowed); };
    Tree->OnMeasureItem = [this](TVirtualStringTree *s, TCanvas *canvas, PVirtualNode node,
                                 int &height) { TreeMeasureItem(s, canvas, node, height); };
    Tree->OnCompareNodes = [this](TVirtualStringTree *s, PVirtualNode a, PVirtualNode b,
                                  TColumnIndex column, int &result) { TreeCompareNodes(s, a, b, column, result); };
    Tree->OnFocusChanging = [this](TVirtualStringTree *s, PVirtualNode oldNode, PVirtualNode newNode,
                                   TColumnIndex oldColumn, TColumnIndex newColumn, bool &allowed) {
        TreeFocusChanging(s, oldNode, newNode, oldColumn, newColumn, allowed);
    };
    Tree->OnChecked = [this](TVirtualStringTree *s, PVirtualNode node) { TreeChecked(s, node); };
    Tree->OnDblClick = [this](TVirtualStringTree *s) { TreeDblClick(s); };
    Tree->OnResize = [this](TVirtualStringTree *s) { TreeResize(s); };
    Tree->OnKeyAction = [this](TVirtualStringTree *s, int &key, TShiftState &shift, bool &doDefault) {
        TreeKeyAction(s, key, shift, doDefault);
    };

    Timer->start();
}

void TZvLngFrm::PlacePiLabel()
{
    if (!StaticText3)
        return;
    StaticText3->move(width() - StaticText3->width() - 2, 0);
    StaticText3->raise();
}

void TZvLngFrm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlacePiLabel();
}

bool TZvLngFrm::eventFilter(QObject *watched, QEvent *event)
{
    // A key whose command raises goes no further.
    bool previewed = true;
    RunHandler([&] { previewed = PreviewKey(watched, event); });
    if (previewed)
        return true;
    if (watched == StaticText3 && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && StaticText3->rect().contains(mouse->position().toPoint()))
            PiClick(StaticText3);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TZvLngFrm::closeEvent(QCloseEvent *event)
{
    // Ignored until the close query lets the window close, so that a save inside the query
    // that raises leaves the window open.
    event->ignore();
    bool canClose = true;
    if (!RunHandler([&] { FormCloseQuery(this, canClose); }) || !canClose)
        return;
    event->accept();
    emit Closed();
}

// ---- the language id ----

void TZvLngFrm::IDedEnter(QObject *)
{
    KeptId = int32_t(IDed->AsInteger());
}

int TZvLngFrm::BuiltInLanguageOf(double languageId) const
{
    if (!(languageId >= 0 && languageId < BaseLangCb->count()))
        return -1;
    // The ids below the number of languages are those of the built-in languages. With a
    // table whose languages carry other ids, an id that no language has is not taken.
    return FindLangIndex(int32_t(languageId));
}

void TZvLngFrm::IDedExit(QObject *)
{
    // The window's own controls lose the input focus while it is taken apart.
    if (destroyed_)
        return;
    // The field holds the id it held when it was entered (or last settled): the user has
    // chosen no other, and nothing is asked or marked.
    if (IDed->AsInteger() == KeptId)
        return;
    // A built-in language's id stands only once the user has confirmed it.
    if (const int index = BuiltInLanguageOf(IDed->Value()); index >= 0) {
        const QString text =
            QStringLiteral("The ID you have choosed is already taken by a built-in language: '") +
            LangdefStream->EntryName(index) +
            QStringLiteral("'. If you continue, your langpack will replace that language with your own "
                           "version.\nAre you sure?");
        if (MessageBoxW(nullptr, text, QStringLiteral("Warning"), MB_YESNO | MB_ICONWARNING) != IDYES) {
            IDed->SetValue(KeptId);
            return;
        }
    }
    KeptId = int32_t(IDed->AsInteger());
    MarkChanged();
}

void TZvLngFrm::SettleIdField()
{
    // Being edited: the window's focus widget, which the field stays while another window
    // (a box, a dialog) is active.
    if (focusWidget() == IDed)
        IDedExit(IDed);
}

void TZvLngFrm::SetLanguageId(double id)
{
    IDed->SetValue(id);
    KeptId = int32_t(IDed->AsInteger());
}

void TZvLngFrm::NameedChange(QObject *)
{
    // Every edit of the user's marks the document, one that puts the old name back as well.
    MarkChanged();
}

void TZvLngFrm::RandGenClick(QObject *)
{
    Randomize();
    const qint64 before = IDed->AsInteger();
    SetLanguageId(50 + Random(203));
    if (IDed->AsInteger() != before)
        MarkChanged();
}

void TZvLngFrm::TimerTimer(QObject *)
{
    const TColor color = IDed->Color();
    int r = int(color & 0xFF);
    int g = int((color >> 8) & 0xFF);
    int b = int((color >> 16) & 0xFF);
    if (r == 0 && b < 255)
        ++b;
    else if (r == 0 && g > 0)
        --g;
    else if (r == 0)
        ++r;
    else if (g == 0 && r < 255)
        ++r;
    else if (g == 0 && b > 0)   // r is 255 here
        --b;
    else if (g == 0)
        ++g;
    else if (g < 255)
        ++g;
    else
        --r;
    IDed->SetColor(TColor(r) | TColor(g) << 8 | TColor(b) << 16);
}

// ---- links ----

void TZvLngFrm::PiClick(QObject *)
{
    if (GetKeyState(VK_CONTROL) < 0)
        ShellExecuteOpen(this, QString::fromLatin1(ProjectWebPage));
}

void TZvLngFrm::SearchBtnClick(QObject *)
{
    if (!SearchFrm)
        return;
    SearchFrm->show();
    SearchFrm->raise();
    SearchFrm->activateWindow();
}

void TZvLngFrm::AboutBtnClick(QObject *)
{
    if (AboutBox)
        AboutBox->exec();
}

void TZvLngFrm::MakeDefsBtnClick(QObject *)
{
    MakeDefs(QStringLiteral("res/zv.exe"));
}

// ---- the tree's columns ----

void TZvLngFrm::TreeResize(QObject *)
{
    Tree->SetColumnWidth(1, (Tree->ClientWidth() - Tree->ColumnWidth(0)) / 2);
}

// ---- shut-down ----

void TZvLngFrm::FormDestroy(QObject *)
{
    destroyed_ = true;
    ClearTree();
    LangdefStream.reset();
}
