#include "output/html_checks.h"

#include <string_view>

#include "output/html_text.h"
#include "output/report_template.h"

namespace kestrix {

namespace {

// Defines the two calls of the hooked script, then sets the CHECK lines of the
// message list apart; called at once with the findings and the reaches.
constexpr std::string_view kChecksPrelude = R"js((function (findings, reaches) {
  'use strict';
  var css = document.createElement('style');
  css.textContent = 'ol.messages li.check, ol.messages li.check a { color: #9a5b00; }';
  document.head.appendChild(css);
  document.querySelectorAll('ol.messages li').forEach(function (li) {
    if (li.textContent.indexOf('CHECK - ') === 0) li.className = 'check';
  });
  window.kxPlanDrawn = function (ctx, toPx, size) {
    ctx.save();
    ctx.strokeStyle = '#e00000'; ctx.lineWidth = 2; ctx.beginPath();
    findings.forEach(function (f) {
      var p = toPx(f[0], f[1], size);
      ctx.moveTo(p[0] + 8, p[1]);
      ctx.arc(p[0], p[1], 8, 0, 2 * Math.PI);
    });
    ctx.stroke();
    ctx.restore();
    ctx.canvas.setAttribute('data-check-marks', findings.length);
  };
  window.kxBreakBefore = function (i) { return i > 0 && reaches[i] !== reaches[i - 1]; };
})()js";

// The lines of the report's script the calls go after, and what they become.
constexpr std::string_view kPlanDrawn = "plan.setAttribute('data-section-lines', planLines);";
constexpr std::string_view kPlanDrawnHooked =
    "plan.setAttribute('data-section-lines', planLines); if (window.kxPlanDrawn) window.kxPlanDrawn(ctx, toPx, size);";
constexpr std::string_view kProfileStep = "if (started) pctx.lineTo(prof.x(i), prof.y(z));";
constexpr std::string_view kProfileStepHooked =
    "if (started && !(window.kxBreakBefore && window.kxBreakBefore(i))) pctx.lineTo(prof.x(i), prof.y(z));";

bool replaceOnce(std::string& text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos) return false;
  text.replace(at, from.size(), to);
  return true;
}

}  // namespace

std::string checksReportPrelude(const std::vector<CheckFinding>& findings, const std::vector<int>& reaches) {
  std::string out(kChecksPrelude);
  out += '[';
  for (std::size_t i = 0; i < findings.size(); ++i) {
    if (i > 0) out += ',';
    out += '[';
    appendJsonCoordinate(out, findings[i].x);
    out += ',';
    appendJsonCoordinate(out, findings[i].y);
    out += ',' + std::to_string(findings[i].index) + ']';
  }
  out += "], [";
  for (std::size_t i = 0; i < reaches.size(); ++i) {
    if (i > 0) out += ',';
    out += std::to_string(reaches[i]);
  }
  out += "]);\n";
  return out;
}

std::string hookedReportScript() {
  std::string script(kReportScript);
  if (!replaceOnce(script, kPlanDrawn, kPlanDrawnHooked) || !replaceOnce(script, kProfileStep, kProfileStepHooked))
    return std::string();
  return script;
}

}  // namespace kestrix
