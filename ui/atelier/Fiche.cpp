#include "ui/atelier/Fiche.h"

#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

#include "ui/FormGrid.h"

namespace valvora::ui::atelier {
namespace {

constexpr int kFieldWidth = 320;

// A plain text edit has no length limit of its own: what goes past it (typed or pasted) is
// cut, the cursor kept where it was.
void limitLength(QPlainTextEdit* notes, int limit) {
  QObject::connect(notes, &QPlainTextEdit::textChanged, notes, [notes, limit] {
    const QString text = notes->toPlainText();
    if (text.size() <= limit) return;
    const int at = std::min(notes->textCursor().position(), limit);
    notes->setPlainText(text.left(limit));
    QTextCursor cursor = notes->textCursor();
    cursor.setPosition(at);
    notes->setTextCursor(cursor);
  });
}

}  // namespace

void buildFicheTab(QWidget* tab, const TabContext&) {
  auto* head = new QWidget(tab);
  FormGrid form(head);
  struct Row {
    const char* label;
    const char* name;
  };
  constexpr Row kRows[] = {{"Amplificateur :", "edFiAmp"},
                           {"N° de série :", "edFiSerie"},
                           {"Client :", "edFiClient"},
                           {"Date :", "edFiDate"}};
  for (const Row& r : kRows) {
    QLineEdit* edit = form.addEdit(QString::fromUtf8(r.label), QString::fromLatin1(r.name));
    edit->setMaxLength(kFicheFieldLength);
    edit->setFixedWidth(kFieldWidth);
  }
  head->findChild<QLineEdit*>("edFiDate")
      ->setText(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
  form.layout()->setColumnStretch(0, 0);
  form.layout()->setColumnStretch(2, 1);
  form.layout()->setContentsMargins(0, 0, 0, 0);
  head->setLayout(form.layout());

  auto* caption = new QLabel(QStringLiteral("Travaux et notes :"), tab);
  caption->setObjectName("lb_edFiNotes");
  auto* notes = new QPlainTextEdit(tab);
  notes->setObjectName("edFiNotes");
  notes->setAccessibleName(caption->text());
  caption->setBuddy(notes);
  limitLength(notes, kFicheNotesLength);

  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(head);
  layout->addSpacing(8);
  layout->addWidget(caption);
  layout->addWidget(notes, 1);
}

}  // namespace valvora::ui::atelier
