#include "ui/SheetPdf.h"

#include <QAbstractSlider>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>

#include "core/failure.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "ui/PageControl.h"
#include "ui/Plot.h"
#include "ui/Sheet.h"

namespace valvora::ui {
namespace {

QString fieldText(const PageControl& pages, const char* name) {
  const auto* edit = pages.findChild<QLineEdit*>(QString::fromLatin1(name));
  return edit ? edit->text() : QString();
}

// What is printed, item by item, before it is laid on pages.
struct Item {
  enum Kind { kTitle, kHeading, kRow, kLine, kWarning, kPlot } kind;
  QString left;
  QString right;
  const Plot* plot = nullptr;
};

// A plot is laid out at this size in its own pixels, then scaled to the page's width: its
// texts keep their proportion to the curves whatever the page's resolution.
constexpr double kPlotWidth = 720, kPlotHeight = 320;

// The lines of the page's labels whose name ends so.
QStringList labelLines(const QWidget* page, QLatin1String end) {
  QStringList lines;
  for (const QLabel* label : page->findChildren<QLabel*>()) {
    const QString name = label->objectName();
    if (!name.startsWith(QLatin1String("lb")) || !name.endsWith(end)) continue;
    for (const QString& line : label->text().split(QLatin1Char('\n')))
      if (!line.trimmed().isEmpty()) lines << line;
  }
  return lines;
}

// A paragraph cut at spaces into lines no wider than width.
QStringList wrapped(const QString& paragraph, const QFontMetricsF& metrics, qreal width) {
  QStringList lines;
  QString line;
  for (const QString& word : paragraph.split(QLatin1Char(' '))) {
    const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
    if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
      lines << line;
      line = word;
    } else {
      line = longer;
    }
  }
  lines << line;
  return lines;
}

}  // namespace

std::vector<PdfSection> pdfSections(const PageControl& pages, const SheetControls& inputs) {
  std::vector<PdfSection> sections;
  for (int i = 1; i < pages.count(); ++i) {
    PdfSection section{pages.tab(i)->text().replace(QLatin1String("&&"), QLatin1String("&")), {}};
    bool filled = false;
    for (const QWidget* w : pages.page(i)->findChildren<QWidget*>()) {
      // A control hidden (another circuit's knob) is none of this amplifier's.
      if (w->objectName().isEmpty() || !w->isEnabled() || !w->isVisibleTo(pages.page(i))) continue;
      QString value;
      if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
        if (qobject_cast<const QComboBox*>(w->parent()) ||
            qobject_cast<const QAbstractSpinBox*>(w->parent()))
          continue;
        value = edit->text();
      } else if (auto* list = qobject_cast<const QComboBox*>(w)) {
        value = list->currentText();
      } else if (auto* box = qobject_cast<const QCheckBox*>(w)) {
        value = box->isChecked() ? QStringLiteral("oui") : QStringLiteral("non");
      } else if (auto* radio = qobject_cast<const QRadioButton*>(w)) {
        if (!radio->isChecked()) continue;
        value = QStringLiteral("oui");
      } else if (auto* slider = qobject_cast<const QAbstractSlider*>(w)) {
        if (qobject_cast<const QScrollBar*>(w)) continue;
        value = QString::number(slider->value());
      } else {
        continue;
      }
      filled = filled || inputs.changed(w);
      if (!value.isEmpty()) section.rows.emplace_back(controlLabel(w), value);
    }
    if (!filled) continue;
    section.warnings = labelLines(pages.page(i), QLatin1String("Warn"));
    section.verdicts = labelLines(pages.page(i), QLatin1String("Verdict"));
    // Plot has no meta-object of its own: findChildren<Plot*> would take every widget.
    for (const QWidget* w : pages.page(i)->findChildren<QWidget*>())
      if (const auto* plot = dynamic_cast<const Plot*>(w); plot && !plot->curves().empty())
        section.plots.push_back(plot);
    sections.push_back(std::move(section));
  }
  return sections;
}

void writeSheetPdf(const QString& name, const PageControl& pages,
                   const std::vector<PdfSection>& sections) {
  // Made in memory, then written whole: a FIFO or a device is refused, never waited on, and a
  // failed write keeps the old file.
  const std::string path = QFile::encodeName(name).toStdString();
  QBuffer file;
  file.open(QIODevice::WriteOnly);
  QPdfWriter writer(&file);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  writer.setResolution(300);
  writer.setTitle(QStringLiteral("Fiche atelier"));

  const QFont body(QStringLiteral("Liberation Sans"), 10);
  QFont title = body;
  title.setPointSize(15);
  title.setBold(true);
  QFont heading = body;
  heading.setPointSize(12);
  heading.setBold(true);
  const QFontMetricsF bodyMetrics(body, &writer);
  const qreal width = writer.width();
  const qreal footer = bodyMetrics.height() * 2;
  const qreal bottom = writer.height() - footer;

  std::vector<Item> items;
  items.push_back({Item::kTitle, QStringLiteral("Fiche atelier"), {}});
  const std::pair<const char*, const char*> head[] = {{"Amplificateur", "edFiAmp"},
                                                      {"N° de série", "edFiSerie"},
                                                      {"Client", "edFiClient"},
                                                      {"Date", "edFiDate"}};
  for (const auto& [label, field] : head)
    items.push_back({Item::kRow, QString::fromUtf8(label), fieldText(pages, field)});
  const auto* notes = pages.findChild<QPlainTextEdit*>(QStringLiteral("edFiNotes"));
  if (notes && !notes->toPlainText().trimmed().isEmpty()) {
    items.push_back({Item::kHeading, QStringLiteral("Travaux et notes"), {}});
    for (const QString& paragraph : notes->toPlainText().split(QLatin1Char('\n')))
      for (const QString& line : wrapped(paragraph, bodyMetrics, width))
        items.push_back({Item::kLine, line, {}});
  }
  for (const PdfSection& s : sections) {
    items.push_back({Item::kHeading, s.caption, {}});
    for (const auto& [label, value] : s.rows) items.push_back({Item::kRow, label, value});
    for (const QString& verdict : s.verdicts)
      for (const QString& line : wrapped(verdict, bodyMetrics, width))
        items.push_back({Item::kLine, line, {}});
    for (const QString& warning : s.warnings)
      for (const QString& line : wrapped(warning, bodyMetrics, width))
        items.push_back({Item::kWarning, line, {}});
    for (const Plot* plot : s.plots) items.push_back({Item::kPlot, {}, {}, plot});
  }

  // Laid out first, so that every footer can tell the number of pages.
  const auto fontOf = [&](Item::Kind kind) -> const QFont& {
    return kind == Item::kTitle ? title : kind == Item::kHeading ? heading : body;
  };
  const qreal plotHeight = width * kPlotHeight / kPlotWidth;
  const auto heightOf = [&](const Item& item) {
    if (item.kind == Item::kPlot) return plotHeight + bodyMetrics.height();
    const qreal h = QFontMetricsF(fontOf(item.kind), &writer).height();
    return item.kind == Item::kRow || item.kind == Item::kLine || item.kind == Item::kWarning
               ? h * 1.25
               : h * 1.8;
  };
  std::vector<std::pair<int, qreal>> places;
  int page = 0;
  qreal y = 0;
  for (const Item& item : items) {
    const qreal h = heightOf(item);
    if (y + h > bottom && y > 0) {
      ++page;
      y = 0;
    }
    places.emplace_back(page, y);
    y += h;
  }
  const int pageCount = page + 1;

  QPainter painter(&writer);
  const auto drawFooter = [&](int at) {
    painter.setFont(body);
    painter.drawText(QRectF(0, writer.height() - footer, width, footer), Qt::AlignCenter,
                     QStringLiteral("Page %1 / %2").arg(at + 1).arg(pageCount));
  };
  int current = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    if (places[i].first != current) {
      drawFooter(current);
      writer.newPage();
      current = places[i].first;
    }
    const qreal h = heightOf(item);
    const QRectF line(0, places[i].second, width, h);
    painter.setFont(fontOf(item.kind));
    const QFontMetricsF metrics(fontOf(item.kind), &writer);
    if (item.kind == Item::kRow) {
      const qreal split = width * 0.55;
      painter.drawText(QRectF(0, line.y(), split - 20, h), Qt::AlignLeft | Qt::AlignVCenter,
                       metrics.elidedText(item.left, Qt::ElideRight, split - 20));
      painter.drawText(QRectF(split, line.y(), width - split, h), Qt::AlignLeft | Qt::AlignVCenter,
                       metrics.elidedText(item.right, Qt::ElideRight, width - split));
      painter.setPen(QPen(Qt::lightGray, 1));
      painter.drawLine(QPointF(0, line.bottom()), QPointF(width, line.bottom()));
      painter.setPen(Qt::black);
    } else if (item.kind == Item::kPlot) {
      painter.save();
      painter.translate(0, line.y() + bodyMetrics.height() / 2);
      painter.scale(width / kPlotWidth, width / kPlotWidth);
      item.plot->paintTo(painter, QSizeF(kPlotWidth, kPlotHeight));
      painter.restore();
    } else {
      if (item.kind == Item::kWarning) painter.setPen(QColor(170, 0, 0));
      painter.drawText(line, Qt::AlignLeft | Qt::AlignBottom, item.left);
      painter.setPen(Qt::black);
    }
  }
  drawFooter(current);
  if (!painter.end()) throw CalcError("Impossible d'écrire dans " + platform::fullPath(path));
  const QByteArray& content = file.data();
  try {
    platform::replaceFile(path, std::string_view(content.constData(), std::size_t(content.size())));
  } catch (const platform::FileError&) {
    throw CalcError("Impossible d'écrire dans " + platform::fullPath(path));
  }
}

}  // namespace valvora::ui
