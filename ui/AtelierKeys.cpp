#include "ui/AtelierKeys.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

#include "ui/PageControl.h"

namespace valvora::ui {
namespace {

// A part of a compound control (a list's edit box, a text area's viewport), which takes the
// focus through its control.
bool isPart(const QWidget* w, const QWidget* page) {
  for (const QWidget* p = w->parentWidget(); p && p != page; p = p->parentWidget())
    if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p) ||
        qobject_cast<const QAbstractScrollArea*>(p))
      return true;
  return false;
}

bool isResult(const QWidget* w) {
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->isReadOnly();
  if (auto* e = qobject_cast<const QPlainTextEdit*>(w)) return e->isReadOnly();
  if (auto* e = qobject_cast<const QTextEdit*>(w)) return e->isReadOnly();
  return false;
}

bool isCommand(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) && !qobject_cast<const QRadioButton*>(w) &&
         !qobject_cast<const QCheckBox*>(w);
}

void walk(QLayout* layout, QList<QWidget*>& out);

void walk(QWidget* w, QList<QWidget*>& out) {
  out << w;
  if (w->layout()) walk(w->layout(), out);
}

void walk(QLayout* layout, QList<QWidget*>& out) {
  QList<int> order;
  for (int i = 0; i < layout->count(); ++i) order << i;
  if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
    auto cell = [grid](int i) {
      int row, column, rows, columns;
      grid->getItemPosition(i, &row, &column, &rows, &columns);
      return std::pair(row, column);
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return cell(a) < cell(b); });
  }
  for (int i : order) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget())
      walk(item->widget(), out);
    else if (item->layout())
      walk(item->layout(), out);
  }
}

// The page's widgets in reading order: as its layouts place them, then any placed by hand.
QList<QWidget*> readingOrder(QWidget* page) {
  QList<QWidget*> out;
  if (page->layout()) walk(page->layout(), out);
  QSet<QWidget*> seen(out.begin(), out.end());
  for (QWidget* w : page->findChildren<QWidget*>())
    if (!seen.contains(w)) out << w;
  out.removeIf([page](QWidget* w) { return w == page || isPart(w, page); });
  return out;
}

// The field right of a label in its grid row, if the label reads as a caption.
QWidget* fieldBeside(QLabel* label) {
  if (!label->text().trimmed().endsWith(QLatin1Char(':'))) return nullptr;
  for (QWidget* p = label->parentWidget(); p; p = p->parentWidget()) {
    const QList<QGridLayout*> grids = p->findChildren<QGridLayout*>();
    QList<QLayout*> layouts(grids.begin(), grids.end());
    if (p->layout()) layouts << p->layout();
    for (QLayout* l : layouts) {
      auto* grid = qobject_cast<QGridLayout*>(l);
      if (!grid) continue;
      const int at = grid->indexOf(label);
      if (at < 0) continue;
      int row, column, rows, columns;
      grid->getItemPosition(at, &row, &column, &rows, &columns);
      QLayoutItem* next = grid->itemAtPosition(row, column + columns);
      QWidget* field = next ? next->widget() : nullptr;
      if (field && (field->focusPolicy() & Qt::TabFocus) && !isCommand(field)) return field;
      return nullptr;
    }
    break;
  }
  return nullptr;
}

bool usable(QChar c) {
  return c.unicode() < 128 && c.isLetterOrNumber();
}

// The positions a label's mnemonic may take, best first: its words' initials, then any letter.
QList<qsizetype> candidates(const QString& text) {
  QList<qsizetype> out;
  for (qsizetype i = 0; i < text.size(); ++i)
    if (usable(text[i]) && (i == 0 || !text[i - 1].isLetterOrNumber())) out << i;
  for (qsizetype i = 0; i < text.size(); ++i)
    if (usable(text[i]) && !out.contains(i)) out << i;
  return out;
}

// The text with '&' before position at, a literal '&' elsewhere kept one.
QString marked(const QString& text, qsizetype at) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (i == at || text[i] == QLatin1Char('&')) out += QLatin1Char('&');
    out += text[i];
  }
  return out;
}

constexpr const char* kPlain = "plainCaption";    // a caption as its builder wrote it
constexpr const char* kMarked = "markedCaption";  // and as given its mnemonic

// Letters for the labels, as many as can be had (short captions such as "R1 :" and "C1 :"
// compete for few letters): each label in reading order takes its best free letter, or one
// freed by moving an earlier label to another of its own.
class LetterMatch {
 public:
  LetterMatch(const QList<QString>& texts, const QSet<QChar>& taken) : taken_(taken) {
    for (const QString& t : texts) {
      options_ << candidates(t);
      texts_ << t;
    }
    chosen_.fill(-1, texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
      QSet<qsizetype> seen;
      place(i, seen);
    }
  }
  // The position of label i's letter, or -1.
  qsizetype position(qsizetype i) const { return chosen_[i]; }

 private:
  bool place(qsizetype i, QSet<qsizetype>& seen) {
    for (qsizetype at : options_[i]) {
      const QChar letter = texts_[i][at].toLower();
      if (taken_.contains(letter) || seen.contains(letter.unicode())) continue;
      seen.insert(letter.unicode());
      const auto other = owner_.find(letter);
      if (other == owner_.end() || place(*other, seen)) {
        owner_[letter] = i;
        chosen_[i] = at;
        return true;
      }
    }
    return false;
  }
  QSet<QChar> taken_;
  QList<QList<qsizetype>> options_;
  QList<QString> texts_;
  QHash<QChar, qsizetype> owner_;
  QList<qsizetype> chosen_;
};

// Gives the page's field labels their mnemonics, anew each time: the builders rename and show
// rows as the user picks a circuit or a mode.
void giveMnemonics(QWidget* page, QSet<QChar> taken) {
  const QList<QWidget*> order = readingOrder(page);
  QList<QLabel*> labels;
  QList<QString> texts;
  for (QWidget* w : order) {
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isVisibleTo(page))
      if (const QChar c = mnemonicLetter(b->text()); !c.isNull()) taken.insert(c);
    auto* label = qobject_cast<QLabel*>(w);
    if (!label || label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text())))
      continue;
    if (!label->buddy())
      if (QWidget* field = fieldBeside(label)) label->setBuddy(field);
    if (!label->buddy() || isResult(label->buddy())) continue;
    // Back to the builder's text, unless the builder has written another since.
    if (label->text() == label->property(kMarked).toString())
      label->setText(label->property(kPlain).toString());
    if (!label->isVisibleTo(page) || !label->buddy()->isVisibleTo(page)) continue;
    if (const QChar c = mnemonicLetter(label->text()); !c.isNull()) {
      taken.insert(c);  // the builder's own
      continue;
    }
    labels << label;
    texts << label->text();
  }
  const LetterMatch match(texts, taken);
  for (qsizetype i = 0; i < labels.size(); ++i) {
    if (match.position(i) < 0) continue;
    const QString text = marked(texts[i], match.position(i));
    labels[i]->setProperty(kPlain, texts[i]);
    labels[i]->setProperty(kMarked, text);
    labels[i]->setText(text);
  }
}

// Paints a result too narrow for its text elided in the middle; keeps its tooltip the whole
// text while it is.
class ResultFit : public QObject {
 public:
  using QObject::QObject;

  void watch(QLineEdit* edit) {
    edit->setProperty(kOwnTip, edit->toolTip());
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [edit] { updateTip(edit); });
    updateTip(edit);
  }

 private:
  static constexpr const char* kOwnTip = "ownToolTip";

  static void updateTip(QLineEdit* edit) {
    edit->setToolTip(resultClipped(edit) ? edit->text() : edit->property(kOwnTip).toString());
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // A field being destroyed still sends events from its QWidget part: no longer a line edit.
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return false;
    if (event->type() == QEvent::Resize) updateTip(edit);
    if (event->type() != QEvent::Paint || !resultClipped(edit)) return false;
    QPainter painter(edit);
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
    edit->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, edit);
    const QRect area = textArea(edit);
    painter.setPen(edit->palette().color(edit->isEnabled() ? QPalette::Active : QPalette::Disabled,
                                         QPalette::Text));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     edit->fontMetrics().elidedText(edit->text(), Qt::ElideMiddle, area.width()));
    return true;
  }

 public:
  static QRect textArea(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    QRect r = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    r = r.marginsRemoved(edit->textMargins());
    return r.adjusted(2, 1, -2, -1);  // the line edit's own margins
  }
};

}  // namespace

QChar mnemonicLetter(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toLower();
    ++i;
  }
  return {};
}

bool resultClipped(const QLineEdit* edit) {
  return edit->fontMetrics().horizontalAdvance(edit->text()) > ResultFit::textArea(edit).width();
}

void applyAtelierKeys(PageControl& pages, const QList<QAbstractButton*>& bottomRow) {
  QSet<QChar> bottomTaken;
  for (QAbstractButton* b : bottomRow)
    if (const QChar c = mnemonicLetter(b->text()); !c.isNull()) bottomTaken.insert(c);
  auto* fit = new ResultFit(&pages);

  QWidget* previous = pages.count() > 0 ? pages.tab(pages.count() - 1) : nullptr;
  auto chain = [&previous](QWidget* w) {
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  };
  for (int i = 0; i < pages.count(); ++i) {
    QWidget* page = pages.page(i);
    const QList<QWidget*> order = readingOrder(page);
    QList<QWidget*> buttons;
    for (QWidget* w : order) {
      if (auto* list = qobject_cast<QComboBox*>(w)) {
        QSizePolicy policy = list->sizePolicy();
        policy.setHorizontalPolicy(QSizePolicy::Fixed);
        list->setSizePolicy(policy);
      }
      if (auto* text = qobject_cast<QPlainTextEdit*>(w)) text->setTabChangesFocus(true);
      if (isResult(w)) {
        w->setFocusPolicy(Qt::ClickFocus);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) fit->watch(edit);
      } else if (!(w->focusPolicy() & Qt::TabFocus)) {
        continue;
      } else if (isCommand(w)) {
        buttons << w;
      } else {
        chain(w);
      }
    }
    for (QWidget* b : buttons) chain(b);
    giveMnemonics(page, bottomTaken);
    // Rows renamed or shown by a pick get their letters once the pick is dealt with.
    auto again = [page, bottomTaken] {
      QTimer::singleShot(0, page, [page, bottomTaken] { giveMnemonics(page, bottomTaken); });
    };
    for (QComboBox* list : page->findChildren<QComboBox*>())
      QObject::connect(list, &QComboBox::currentIndexChanged, page, again);
    for (QAbstractButton* b : page->findChildren<QAbstractButton*>())
      if (b->isCheckable()) QObject::connect(b, &QAbstractButton::toggled, page, again);
  }
  for (QAbstractButton* b : bottomRow) chain(b);
}

}  // namespace valvora::ui
