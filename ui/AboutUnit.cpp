#include "ui/AboutUnit.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "core/about.h"
#include "ui/Centre.h"
#include "ui/Dialogs.h"

namespace valvora::ui {
namespace {

constexpr const char* kLinkProperty = "address";

struct Link {
  const char* name;
  const char* caption;
  const char* address;
  int top;
};
// Documents shipped beside the program: the help's start page and its page of changes.
constexpr Link kLinks[] = {
    {"LinkLabel1", "Aide de Valvora Suite", "Valvora.html", 36},
    {"LinkLabel2", "Nouveautés et mises à jour", "Nouveautes.html", 54},
};

struct Figure {
  const char* label;
  const char* caption;
  const char* value;
};
constexpr Figure kFigures[] = {
    {"LbCpu", "Vitesse CPU :", "LbCpuSpeed"},
    {"LbOs", "Système d'exploitation :", "LbOsValue"},
    {"PMA", "Mémoire disponible :", "LbMemAv"},
    {"MemUse", "Mémoire utilisée :", "LbMemUse"},
};

// A label that opens something: blue, underlined, hand cursor, and reachable by the Tab key
// (a button drawn as a link, so that Space and Enter open it too).
QPushButton* linkLabel(QWidget* parent, const char* name, const QString& caption) {
  auto* link = new QPushButton(caption, parent);
  link->setObjectName(name);
  link->setFlat(true);
  link->setAutoDefault(false);
  link->setCursor(Qt::PointingHandCursor);
  link->setStyleSheet(
      "QPushButton { color: #0000ee; text-decoration: underline; border: 1px solid transparent;"
      " background: transparent; padding: 0 1px; text-align: left; }"
      "QPushButton:focus { border: 1px dotted #0000ee; }");
  // Sized on the caption itself: a flat button's own size hint keeps room for a frame and
  // margins that a link does not draw, and cuts a long caption.
  link->ensurePolished();
  const QFontMetrics metrics = link->fontMetrics();
  link->resize(metrics.horizontalAdvance(caption) + 6, metrics.height() + 4);
  return link;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->move(left, top);
  l->adjustSize();
  return l;
}

QFrame* rule(QWidget* parent, const char* name, int left, int top, int width) {
  auto* r = new QFrame(parent);
  r->setObjectName(name);
  r->setFrameShape(QFrame::HLine);
  r->setFrameShadow(QFrame::Sunken);
  r->setGeometry(left, top, width, 2);
  return r;
}

}  // namespace

QIcon applicationIcon() {
  return QIcon(QStringLiteral(":/design/valvora-icon.png"));
}

TAboutBox::TAboutBox(QWidget* parent, const platform::CycleClock& clock)
    : QDialog(parent), Panel2(new QFrame(this)), ProgramIcon(new QLabel(Panel2)) {
  setObjectName("AboutBox");
  setWindowTitle(QStringLiteral("A propos ..."));
  setFont(QFont(QStringLiteral("Liberation Sans"), 9));
  setFixedSize(kClientWidth, kClientHeight);

  Panel2->setObjectName("Panel2");
  Panel2->setFrameShape(QFrame::Panel);
  Panel2->setFrameShadow(QFrame::Sunken);
  Panel2->setGeometry(8, 8, 44, 44);
  ProgramIcon->setObjectName("ProgramIcon");
  ProgramIcon->setGeometry(6, 6, 32, 32);

  ProductName = label(this, "ProductName", QStringLiteral("Product Name"), 62, 10);
  ProductName->setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
  BvlTitle = rule(this, "BvlTitle", 62, 31, 0);

  for (const Link& l : kLinks) {
    QPushButton* link = linkLabel(this, l.name, QString::fromUtf8(l.caption));
    link->move(60, l.top);
    link->setToolTip(QString::fromUtf8(l.address));
    link->setProperty(kLinkProperty, QString::fromUtf8(l.address));
    connect(link, &QPushButton::clicked, this, &TAboutBox::openLink);
  }
  label(this, "Label3", QString::fromUtf8("Calculs d'atelier pour amplificateurs à lampes."), 8,
        80);
  label(this, "Label4", QString::fromUtf8("Conception et programmation : l'équipe Valvora."), 8,
        98);

  int top = 124;
  for (const Figure& f : kFigures) {
    label(this, f.label, QString::fromUtf8(f.caption), 8, top);
    QLabel* value = label(this, f.value, QString(), 150, top);
    value->setFixedWidth(kClientWidth - 150 - 8);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top += 18;
  }
  LbCpuSpeed = findChild<QLabel*>("LbCpuSpeed");
  LbOsValue = findChild<QLabel*>("LbOsValue");
  LbMemAv = findChild<QLabel*>("LbMemAv");
  LbMemUse = findChild<QLabel*>("LbMemUse");

  Bevel1 = rule(this, "Bevel1", 8, 202, kClientWidth - 16);
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Sunken);
  Panel1->setGeometry(8, 210, kClientWidth - 16, 40);
  auto* notice = new QLabel(QString::fromUtf8("Ce programme est gratuit pour l'usage à l'atelier.\n"
                                              "Il est fourni tel quel, sans aucune garantie."),
                            Panel1);
  notice->setObjectName("Label1");
  notice->setGeometry(8, 3, Panel1->width() - 16, 34);

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setPixmap(QPixmap(QStringLiteral(":/design/apropos.png")));
  Image1->setGeometry(8, kClientHeight - 8 - 61, 189, 61);

  Label2 = linkLabel(this, "Label2", QStringLiteral("Licence d'utilisation"));
  Label2->move(210, kClientHeight - 8 - 61);
  connect(Label2, &QPushButton::clicked, this, &TAboutBox::Label2Click);

  Button1 = new QPushButton(QStringLiteral("Fermer"), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(kClientWidth - 8 - 84, kClientHeight - 8 - 27, 84, 27);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);

  // Tab order: the links from top to bottom, then the button, which has the focus first.
  setTabOrder(findChild<QWidget*>("LinkLabel1"), findChild<QWidget*>("LinkLabel2"));
  setTabOrder(findChild<QWidget*>("LinkLabel2"), Label2);
  setTabOrder(Label2, Button1);
  Button1->setFocus();

  centreOnScreen(this);
  FormCreate(clock);
}

void TAboutBox::FormCreate(const platform::CycleClock& clock) {
  ProductName->setText(QString::fromUtf8(kApplicationTitle));
  ProductName->adjustSize();
  BvlTitle->setFixedWidth(ProductName->width());
  LbCpuSpeed->setText(QString::fromStdString(
      processorSpeedText(platform::measureProcessorMHz(clock, platform::kSpeedWindow))));
  LbOsValue->setText(QString::fromStdString(platform::systemName()));
  ProgramIcon->setPixmap(applicationIcon().pixmap(32, 32));
  const platform::MemoryStatus memory = platform::memoryStatus();
  LbMemAv->setText(QString::fromStdString(
      memoryTotalText(memory.totalBytes, platform::userThousandsSeparator())));
  LbMemUse->setText(QString::fromStdString(memoryLoadText(memory.loadPercent)));
}

void TAboutBox::FormActivate() {
  Panel1->move((width() - Panel1->width()) / 2, Panel1->y());
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TAboutBox::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TAboutBox::openLink() {
  dialogs().openDocument(sender()->property(kLinkProperty).toString());
}

void TAboutBox::Label2Click() {
  dialogs().openDocument(QStringLiteral("licence.txt"));
}

}  // namespace valvora::ui
