// The window's design: its controls, their places, defaults and wiring.
#include "sql_adm.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>

#include "application.h"
#include "db_adv_grid.h"
#include "memo.h"

namespace {

constexpr int kClientWidth = 671;
constexpr int kClientHeight = 514;
constexpr int kGroupBoxHeight = 169;
constexpr int kDbListWidth = 103;
constexpr int kTableListWidth = 106;
constexpr int kPanelInset = 2;
constexpr int kPanelHeight = 113;
constexpr int kDesignPanelWidth = kClientWidth - 2 * kPanelInset;

// Masks the password field with "#" for each character.
class HashPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'#';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QFont tahoma(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* field = named(new QLineEdit(text, parent), name);
    field->setAccessibleName(field->objectName());
    field->setGeometry(geometry);
    return field;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    auto* caption = named(new QLabel(text, parent), name);
    caption->move(at);
    caption->adjustSize();
    return caption;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* push = named(new QPushButton(caption, parent), name);
    push->setGeometry(geometry);
    push->setAutoDefault(false);
    return push;
}

TDBAdvGrid* grid(QWidget* parent, const char* name, const GridDesign& design)
{
    auto* g = named(new TDBAdvGrid(design, parent), name);
    g->setAccessibleName(g->objectName());
    return g;
}

// The editor buttons, anchored to the panel's right and bottom edges.
struct PanelButton {
    QPushButton* TForm1::*field;
    const char* name;
    const char* caption;
    QRect design;
};
const PanelButton kPanelButtons[] = {
    {&TForm1::Button4, "Button4", "select ", {441, 30, 70, 25}},
    {&TForm1::Button5, "Button5", "insert ", {517, 30, 70, 25}},
    {&TForm1::Button6, "Button6", "delete", {593, 30, 70, 25}},
    {&TForm1::Button1, "Button1", "실행(F5)", {441, 61, 70, 40}},
    {&TForm1::Button3, "Button3", "다시쓰기", {517, 61, 70, 40}},
};

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    CreateControls();
    WireHandlers();
}

TForm1::~TForm1()
{
    // The grids read the queries' rows: they go before the queries do.
    delete dbgrid;
    delete table_list;
    delete db_list;
    qApp->removeEventFilter(this);
}

void TForm1::CreateControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("KOVA v1.0 by the KOVA team"));
    setFont(tahoma(11));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    GroupBox1 = named(new QGroupBox(QStringLiteral("스트링 입력"), this), "GroupBox1");
    Label1 = label(GroupBox1, "Label1", QStringLiteral("Host Server :"), {14, 22});
    hostname = edit(GroupBox1, "hostname", QStringLiteral("localhost"), {84, 19, 93, 21});
    Label2 = label(GroupBox1, "Label2", QStringLiteral("User  : "), {192, 22});
    username = edit(GroupBox1, "username", QStringLiteral("root"), {233, 19, 88, 21});
    Label3 = label(GroupBox1, "Label3", QStringLiteral("password  : "), {344, 22});
    password = edit(GroupBox1, "password", QStringLiteral("kelpdawn"), {409, 19, 88, 21});
    password->setEchoMode(QLineEdit::Password);
    password->setStyle(new HashPasswordStyle);
    password->style()->setParent(password);

    Panel1 = named(new QWidget(GroupBox1), "Panel1");
    Memo1 = named(new TMemo(Panel1), "Memo1");
    Memo1->setAccessibleName(Memo1->objectName());
    Memo1->setFont(tahoma(13, true));
    for (const PanelButton& b : kPanelButtons)
        this->*b.field = button(Panel1, b.name, QString::fromUtf8(b.caption), b.design);
    Button2 = button(GroupBox1, "Button2", QStringLiteral("서버 접속"), {512, 13, 144, 33});

    dbgrid = grid(this, "dbgrid", {28, 62, QString(), 2, MemoText::Whole});
    table_list = grid(this, "table_list", {20, 64, QStringLiteral("테이블명"), 2, MemoText::Placeholder});
    db_list = grid(this, "db_list", {20, 64, QStringLiteral("DB명"), 5, MemoText::Placeholder});
    dbgrid->SetDataSource(DataSource);
    table_list->SetDataSource(DataSource1);
    db_list->SetDataSource(DataSource2);

    Query2.SQL = QStringList{QStringLiteral("show tables")};
    Query3.SQL = QStringList{QStringLiteral("show databases")};

    for (QWidget* passive : {static_cast<QWidget*>(GroupBox1), Panel1, static_cast<QWidget*>(Label1),
                             static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label3)})
        passive->setFocusPolicy(Qt::NoFocus);
    const QWidget* chain[] = {hostname, username, password, Memo1, Button3, Button1, Button4,
                              Button5,  Button6,  Button2,  dbgrid, db_list, table_list};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(const_cast<QWidget*>(chain[i - 1]), const_cast<QWidget*>(chain[i]));

    // Centred by the program itself: there may be no window manager to do it.
    QRect client(0, 0, kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        client.moveCenter(screen->availableGeometry().center());
    setGeometry(client);
    hostname->setFocus();
}

void TForm1::WireHandlers()
{
    const auto onClick = [this](QPushButton* push, void (TForm1::*handler)()) {
        connect(push, &QPushButton::clicked, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
    };
    onClick(Button1, &TForm1::Button1Click);
    onClick(Button2, &TForm1::Button2Click);
    onClick(Button3, &TForm1::Button3Click);
    onClick(Button4, &TForm1::Button4Click);
    onClick(Button5, &TForm1::Button5Click);
    onClick(Button6, &TForm1::Button6Click);

    const auto onClickCell = [this](TDBAdvGrid* g, void (TForm1::*handler)(int, int)) {
        connect(g, &TDBAdvGrid::OnClickCell, this,
                [this, handler](int row, int col) { Guard([&] { (this->*handler)(row, col); }); });
    };
    onClickCell(db_list, &TForm1::db_listClickCell);
    onClickCell(table_list, &TForm1::table_listClickCell);

    // Key preview: every key press in this window reaches FormKeyDown before the focused control.
    qApp->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // A key the focused control ignores travels up to its parents: look at it only once, where it
    // was first delivered.
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return !Guard([&] { FormKeyDown(watched, key->key(), key->modifiers()); });
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    AlignControls();
}

void TForm1::AlignControls()
{
    const int w = width();
    const int below = height() - kGroupBoxHeight;
    GroupBox1->setGeometry(0, 0, w, kGroupBoxHeight);
    db_list->setGeometry(w - kDbListWidth, kGroupBoxHeight, kDbListWidth, below);
    table_list->setGeometry(w - kDbListWidth - kTableListWidth, kGroupBoxHeight, kTableListWidth, below);
    dbgrid->setGeometry(0, kGroupBoxHeight, std::max(0, w - kDbListWidth - kTableListWidth), below);

    const int panelWidth = std::max(0, w - 2 * kPanelInset);
    Panel1->setGeometry(kPanelInset, kGroupBoxHeight - kPanelInset - kPanelHeight, panelWidth, kPanelHeight);
    Memo1->setGeometry(0, 0, panelWidth, kPanelHeight);
    // The panel's height never changes, so keeping the distance to its bottom edge is keeping y.
    for (const PanelButton& b : kPanelButtons)
        (this->*b.field)->move(b.design.x() + panelWidth - kDesignPanelWidth, b.design.y());
}
