#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/bias.h"

namespace valvora {

// What the report says of its making, besides the program's title.
struct ReportStamp {
  std::string date;  // in the user's short date format
  std::string time;  // in the user's long time format
  std::string user;  // as the system gives it; escaped for HTML here
};

// The 156 lines of the bias report (UTF-8, without line ends): the measurements and results
// of the six records in the page's column order, "n.c." for KT66 and KT90, and the line that
// says which program made it, when and for whom.
std::vector<std::string> biasReportLines(const BiasRecords& records, std::string_view title,
                                         const ReportStamp& stamp);

// The lines joined, each followed by CR LF.
std::string biasReportText(const BiasRecords& records, std::string_view title,
                           const ReportStamp& stamp);

// "&", "<", ">" and '"' as entities, so that a name holding them stays text.
std::string escapeHtml(std::string_view text);

}  // namespace valvora
