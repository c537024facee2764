#include "ui/DataSheetUnit.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Centre.h"
#include "ui/Dialogs.h"
#include "ui/WidgetFields.h"

namespace valvora::ui {
namespace {

struct Column {
  const char* tube;
  const char* pa;  // field name and design text
  const char* paText;
  const char* pg2;
  const char* pg2Text;
};

constexpr Column kColumns[] = {
    {"6L6", "ed6L6Pa", "", "ed6L6Pg2", ""},
    {"6V6", "ed6V6Pa", "12", "ed6V6Pg2", "2,20"},
    {"EL34", "edEL34Pa", "25", "edEL34Pg2", "8,00"},
    {"6L6GC", "Edit7", "30", "Edit8", "5,00"},
    {"EL84", "edEL84Pa", "12", "edEL84Pg2", "2,00"},
    {"KT88", "edKT88Pa", "35", "edKT88Pg2", "6,00"},
};

QLabel* boldLabel(const char* text, const char* name) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setObjectName(name);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

QLineEdit* limitField(const char* name, const char* text, const QString& accessible) {
  auto* edit = new QLineEdit(QString::fromUtf8(text));
  edit->setObjectName(name);
  edit->setAccessibleName(accessible);
  edit->setReadOnly(true);
  edit->setFixedWidth(56);
  QPalette p = edit->palette();
  p.setColor(QPalette::Base, p.color(QPalette::Button));
  edit->setPalette(p);
  return edit;
}

}  // namespace

ProfileReader settingsReader(platform::ProfileSnapshot values) {
  return [values = std::move(values)](std::string_view section, std::string_view key) {
    return values.read(section, key);
  };
}

const platform::ProfileSnapshot* SettingsAtStartUp::values() {
  if (!read_) {
    read_ = true;
    values_ = file_.snapshot();
  }
  return values_ ? &*values_ : nullptr;
}

TDataSheet::TDataSheet(QWidget* parent, platform::ProfileFile settingsFile)
    : TDataSheet(parent, std::make_shared<SettingsAtStartUp>(std::move(settingsFile))) {}

TDataSheet::TDataSheet(QWidget* parent, std::shared_ptr<SettingsAtStartUp> settings)
    : QDialog(parent),
      settings_(std::move(settings)),
      Panel1(new QFrame),
      Button1(new QPushButton(QStringLiteral("Fermer"))) {
  setObjectName("DataSheet");
  setWindowTitle(QStringLiteral("Datasheet Tube"));

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(6);
  grid->addWidget(boldLabel("Modèle", "Label1"), 0, 0);
  grid->addWidget(boldLabel("Pa Max", "Label2"), 1, 0);
  grid->addWidget(boldLabel("Pg2 max", "Label3"), 2, 0);
  int c = 1;
  for (const Column& col : kColumns) {
    const QString tube = QLatin1String(col.tube);
    auto* title = new QLabel(tube);
    title->setObjectName(QStringLiteral("lb") + tube);
    title->setAlignment(Qt::AlignCenter);
    grid->addWidget(title, 0, c);
    grid->addWidget(limitField(col.pa, col.paText, QStringLiteral("Pa Max ") + tube), 1, c);
    grid->addWidget(limitField(col.pg2, col.pg2Text, QStringLiteral("Pg2 max ") + tube), 2, c);
    ++c;
  }

  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::HLine);
  Panel1->setFrameShadow(QFrame::Sunken);
  Button1->setObjectName("Button1");
  Button1->setMinimumWidth(90);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(12, 12, 12, 10);
  column->setSpacing(10);
  column->addLayout(grid);
  column->addWidget(Panel1);
  column->addWidget(Button1, 0, Qt::AlignHCenter);
  setFixedSize(sizeHint());
  centreOnScreen(this);

  guarded([&] { LoadIni(); });
}

void TDataSheet::LoadIni() {
  WidgetFields fields(this);
  if (const platform::ProfileSnapshot* values = settings_->values())
    DataSheetFill(settingsReader(*values), fields);
}

}  // namespace valvora::ui
