#include "core/biasreport.h"

#include <optional>

#include "core/numtext.h"

namespace valvora {
namespace {

// The columns in the page's order; the placeholders have no record.
constexpr std::optional<Tube> kReportColumns[] = {
    Tube::T6L6, Tube::T6V6,   Tube::EL34, Tube::T6L6GC,
    Tube::EL84, std::nullopt, Tube::KT88, std::nullopt,
};
// Header names, same order with the placeholders in their place.
constexpr std::string_view kHeaderNames[] = {"6L6",  "6V6",  "EL34", "6L6GC",
                                             "EL84", "KT66", "KT88", "KT90"};

enum class Form { kGeneral, kFourDecimals };

struct ReportRow {
  bool grey;
  std::string_view label;  // the whole label cell
  double TMesureLampe::*figure;
  Form form;
};

constexpr ReportRow kMeasureRows[] = {
    {true, "<TD HEIGHT=17 WIDTH=28%>V anode (pin 3 V2)</TD>", &TMesureLampe::anode, Form::kGeneral},
    {false, "<TD WIDTH=28% HEIGHT=17>V cathode (pin 8 V2)</TD>", &TMesureLampe::cathode,
     Form::kGeneral},
    {true, "<TD WIDTH=28% HEIGHT=17>V grille 2 (pin 4 V2)</TD>", &TMesureLampe::grille2,
     Form::kGeneral},
    {false, "<TD WIDTH=28% HEIGHT=17>V C9</TD>", &TMesureLampe::VC9, Form::kGeneral},
    {true, "<TD WIDTH=28% HEIGHT=17>mV R19</TD>", &TMesureLampe::VborneR19, Form::kGeneral},
    {false, "<TD WIDTH=28% HEIGHT=17>R&eacute;s. cathode R20</TD>", &TMesureLampe::ResCatR20,
     Form::kFourDecimals},
    {true, "<TD WIDTH=28% HEIGHT=17>Impédance</TD>", &TMesureLampe::Imp, Form::kFourDecimals},
};

constexpr ReportRow kResultRows[] = {
    {true, "<TD WIDTH=28% HEIGHT=17>Puissance dissipée anode</TD>", &TMesureLampe::disanode,
     Form::kFourDecimals},
    {false, "<TD WIDTH=28% HEIGHT=17>Puissance dissipée grille 2</TD>", &TMesureLampe::disgrille,
     Form::kFourDecimals},
    {true, "<TD WIDTH=28% HEIGHT=17>Taux de bias</TD>", &TMesureLampe::txbias, Form::kFourDecimals},
};

constexpr std::string_view kTableOpening =
    "<TABLE BORDER=\"1\" CELLPADDING=\"0\" CELLSPACING=\"0\" STYLE=\"border-collapse: collapse\" "
    "BORDERCOLOR=\"#111111\" ALIGN=CENTER WIDTH=80%>";

class Report {
 public:
  void line(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    std::string text(a);
    text += b;
    text += c;
    lines_.push_back(std::move(text));
  }

  void titleRow(std::string_view title) {
    line("\t<TR>");
    line("\t  <TD HEIGHT=25 COLSPAN=9>&nbsp;&nbsp;<B>", title, "</B></TD>");
    line(" </TR>");
  }

  void headerRow() {
    line("\t<TR>");
    line("\t  <TD WIDTH=28% HEIGHT=17>Mod&egrave;le de lampe</TD>");
    for (std::string_view name : kHeaderNames)
      line("\t\t<TD WIDTH=9% ALIGN=CENTER><B>", name, "</B></TD>");
    line("\t</TR>");
  }

  void dataRow(const ReportRow& row, const BiasRecords& records, bool lastOfReport) {
    line(row.grey ? "\t<TR BGCOLOR=#CCCCCC>" : "\t<TR>");
    line("\t  ", row.label);
    for (const std::optional<Tube>& tube : kReportColumns) {
      line("\t\t<TD WIDTH=9%>", tube ? figure(records[*tube].*row.figure, row.form) : "n.c.",
           "</TD>");
    }
    line(lastOfReport ? " </TR></table>" : " </TR>");
  }

  std::vector<std::string> take() { return std::move(lines_); }

 private:
  static std::string figure(double value, Form form) {
    return form == Form::kGeneral ? formatGeneral(value) : formatPattern("0.0000", value);
  }

  std::vector<std::string> lines_;
};

}  // namespace

std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::vector<std::string> biasReportLines(const BiasRecords& records, std::string_view title,
                                         const ReportStamp& stamp) {
  Report r;
  r.line("<HTML>");
  r.line("<HEAD>");
  r.line("<TITLE>Valvora Suite Report</TITLE>");
  r.line("<STYLE TYPE=\"text/css\"> ");
  r.line(
      "<!-- td { font-size: 11px; font-family: verdana, arial,Trebuchet MS, helvetica, "
      "sans-serif; } -->");
  r.line(
      "<!-- body { font-size: 11px; font-family: verdana, arial, Trebuchet MS, helvetica, "
      "sans-serif; } -->");
  r.line("</STYLE>");
  r.line("</HEAD>");
  r.line("<BODY TEXT=\"#000000\">");
  r.line(
      "<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\" STYLE=\"border-collapse: "
      "collapse\" BORDERCOLOR=\"#111111\" ALIGN=CENTER WIDTH=80%><TR><TD>");
  r.line(
      "<H3>Etat des calculs des taux de bias<HR color=\"#000000\" noshade height=\"1\"></H3><br>");
  std::string made = "Fichier généré par <i>";
  made += title;
  made += "</i> le " + stamp.date + " à " + stamp.time + " par l'utilisateur ";
  made += escapeHtml(stamp.user);
  r.line(made, "</TD></TR></TABLE>");
  r.line("<P>&nbsp;</p>");
  r.line(kTableOpening);
  r.titleRow("Mesures");
  r.headerRow();
  for (const ReportRow& row : kMeasureRows) r.dataRow(row, records, false);
  r.line("</table>");
  r.line("<P>&nbsp;</p>");
  r.line(kTableOpening);
  r.titleRow("R&eacute;sultats");
  r.headerRow();
  for (const ReportRow& row : kResultRows) r.dataRow(row, records, &row == &kResultRows[2]);
  r.line("</body></html>");
  return r.take();
}

std::string biasReportText(const BiasRecords& records, std::string_view title,
                           const ReportStamp& stamp) {
  std::string text;
  for (const std::string& line : biasReportLines(records, title, stamp)) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace valvora
