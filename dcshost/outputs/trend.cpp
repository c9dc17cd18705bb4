#include "dcshost/outputs/trend.h"

#include "dcshost/control/modes.h"
#include "dcshost/outputs/files.h"
#include "dcshost/scenario/limits.h"
#include "standins/vnxsim/utf8.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

// Panel geometry, in SVG user units.
constexpr double kWidth = 960.0;
constexpr double kLeft = 72.0;
constexpr double kRight = 64.0;
constexpr double kTop = 40.0;
constexpr double kPlotHeight = 150.0;
constexpr double kBottom = 38.0;
constexpr double kPanelHeight = kTop + kPlotHeight + kBottom;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kHeader = 44.0;
// More points than this per line only make the file heavier.
constexpr size_t kMaxPoints = 1600;

std::string Num(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string Coord(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// Quoted when it holds a comma, a quote or a line break; quotes doubled.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// XML text: markup characters as entities. XML can carry no C0 control but
// tab and line breaks, and is UTF-8 here: a byte that is not, and such a
// control, become U+FFFD (the scenario reader refuses both in names).
std::string Escape(const std::string& text)
{
    std::string out;
    char32_t cp = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8::Decode(text, at, cp);
        if (length == 0 || (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r')) {
            out += utf8::kReplacement;
            at += length ? length : 1;
            continue;
        }
        switch (cp) {
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
            out.append(text, at, length);
        }
        at += length;
    }
    return out;
}

struct Range {
    double lo, hi;
};

// A range that holds every value, widened to round tick values.
Range NiceRange(double lo, double hi, double& tick, bool pad_span = true)
{
    if (!std::isfinite(lo) || !std::isfinite(hi)) lo = 0.0, hi = 1.0;
    if (hi - lo < 1e-9) {
        double pad = std::max(1.0, std::fabs(hi) * 0.05);
        lo -= pad;
        hi += pad;
    } else if (pad_span) {
        // Keep lines off the frame.
        double pad = (hi - lo) * 0.04;
        lo -= pad;
        hi += pad;
    }
    double rough = (hi - lo) / 5.0;
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    double steps[] = {1.0, 2.0, 2.5, 5.0, 10.0};
    tick = power * 10.0;
    for (double s : steps) {
        if (power * s >= rough) {
            tick = power * s;
            break;
        }
    }
    return Range{std::floor(lo / tick) * tick, std::ceil(hi / tick) * tick};
}

class Panel {
public:
    Panel(std::ostringstream& out, double top, const std::vector<double>& time)
        : out_(out), top_(top), time_(time)
    {
        t0_ = time.empty() ? 0.0 : time.front();
        t1_ = time.empty() ? 1.0 : time.back();
        if (t1_ <= t0_) t1_ = t0_ + 1.0;
    }

    double X(double t) const { return kLeft + (t - t0_) / (t1_ - t0_) * kPlotWidth; }
    double Y(double v, const Range& r) const
    {
        return top_ + kTop + kPlotHeight - (v - r.lo) / (r.hi - r.lo) * kPlotHeight;
    }

    void Title(const std::string& name)
    {
        out_ << "<text x=\"" << Coord(kLeft) << "\" y=\"" << Coord(top_ + 18)
             << "\" class=\"name\">" << Escape(name) << "</text>\n";
    }

    void Legend(const std::vector<std::pair<std::string, std::string>>& entries)
    {
        double x = kLeft + 220.0;
        for (const auto& entry : entries) {
            double y = top_ + 14;
            if (entry.second == "band" || entry.second == "fault" || entry.second == "lost" ||
                entry.second == "upset") {
                out_ << "<rect x=\"" << Coord(x) << "\" y=\"" << Coord(y - 8)
                     << "\" width=\"22\" height=\"10\" class=\""
                     << (entry.second == "band" ? "auto" : entry.second) << "\"/>\n";
            } else {
                out_ << "<line x1=\"" << Coord(x) << "\" y1=\"" << Coord(y - 3) << "\" x2=\""
                     << Coord(x + 22) << "\" y2=\"" << Coord(y - 3) << "\" class=\"" << entry.second
                     << "\"/>\n";
            }
            out_ << "<text x=\"" << Coord(x + 28) << "\" y=\"" << Coord(y) << "\" class=\"legend\">"
                 << Escape(entry.first) << "</text>\n";
            x += 40.0 + 7.0 * static_cast<double>(entry.first.size());
        }
    }

    // Shaded spans where the flag is set: automatic mode, a fault window, or
    // the coupling lost.
    void Bands(const std::vector<unsigned char>& mode, const char* cls = "auto")
    {
        size_t n = std::min(mode.size(), time_.size());
        size_t i = 0;
        while (i < n) {
            if (!mode[i]) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j + 1 < n && mode[j + 1]) ++j;
            double x0 = X(time_[i]);
            double x1 = j + 1 < n ? X(time_[j + 1]) : X(time_[j]);
            out_ << "<rect x=\"" << Coord(x0) << "\" y=\"" << Coord(top_ + kTop) << "\" width=\""
                 << Coord(std::max(x1 - x0, 0.5)) << "\" height=\"" << Coord(kPlotHeight)
                 << "\" class=\"" << cls << "\"/>\n";
            i = j + 1;
        }
    }

    void Frame()
    {
        out_ << "<rect x=\"" << Coord(kLeft) << "\" y=\"" << Coord(top_ + kTop) << "\" width=\""
             << Coord(kPlotWidth) << "\" height=\"" << Coord(kPlotHeight)
             << "\" class=\"frame\"/>\n";
    }

    void LeftAxis(const Range& r, double tick, const std::string& label)
    {
        for (double v = r.lo; v <= r.hi + tick * 1e-6; v += tick) {
            double y = Y(v, r);
            out_ << "<line x1=\"" << Coord(kLeft) << "\" y1=\"" << Coord(y) << "\" x2=\""
                 << Coord(kLeft + kPlotWidth) << "\" y2=\"" << Coord(y) << "\" class=\"grid\"/>\n";
            out_ << "<text x=\"" << Coord(kLeft - 6) << "\" y=\"" << Coord(y + 4)
                 << "\" class=\"tick\" text-anchor=\"end\">"
                 << Num(std::fabs(v) < tick * 1e-6 ? 0 : v) << "</text>\n";
        }
        double y = top_ + kTop + kPlotHeight / 2;
        out_ << "<text x=\"14\" y=\"" << Coord(y) << "\" class=\"axis\" transform=\"rotate(-90 14 "
             << Coord(y) << ")\" text-anchor=\"middle\">" << Escape(label) << "</text>\n";
    }

    void RightAxis(const Range& r, double tick, const std::string& label)
    {
        double x = kLeft + kPlotWidth;
        for (double v = r.lo; v <= r.hi + tick * 1e-6; v += tick) {
            out_ << "<text x=\"" << Coord(x + 6) << "\" y=\"" << Coord(Y(v, r) + 4)
                 << "\" class=\"tick op\">" << Num(v) << "</text>\n";
        }
        double y = top_ + kTop + kPlotHeight / 2;
        double lx = kWidth - 12;
        out_ << "<text x=\"" << Coord(lx) << "\" y=\"" << Coord(y) << "\" class=\"axis op\" "
             << "transform=\"rotate(90 " << Coord(lx) << " " << Coord(y)
             << ")\" text-anchor=\"middle\">" << Escape(label) << "</text>\n";
    }

    void TimeAxis()
    {
        double tick = 1.0;
        Range r = NiceRange(t0_, t1_, tick, false);
        double base = top_ + kTop + kPlotHeight;
        for (double t = r.lo; t <= t1_ + tick * 1e-6; t += tick) {
            if (t < t0_ - tick * 1e-6) continue;
            double x = X(t);
            out_ << "<line x1=\"" << Coord(x) << "\" y1=\"" << Coord(base) << "\" x2=\"" << Coord(x)
                 << "\" y2=\"" << Coord(base + 4) << "\" class=\"frame\"/>\n";
            out_ << "<text x=\"" << Coord(x) << "\" y=\"" << Coord(base + 16)
                 << "\" class=\"tick\" text-anchor=\"middle\">" << Num(t) << "</text>\n";
        }
        out_ << "<text x=\"" << Coord(kLeft + kPlotWidth / 2) << "\" y=\"" << Coord(base + 32)
             << "\" class=\"axis\" text-anchor=\"middle\">time, s</text>\n";
    }

    void Line(const std::vector<double>& values, const Range& r, const char* cls)
    {
        size_t n = std::min(values.size(), time_.size());
        if (n == 0) return;
        size_t stride = (n + kMaxPoints - 1) / kMaxPoints;
        out_ << "<polyline class=\"" << cls << "\" points=\"";
        for (size_t i = 0; i < n; i += stride) {
            out_ << Coord(X(time_[i])) << ',' << Coord(Y(values[i], r)) << ' ';
        }
        if ((n - 1) % stride != 0)
            out_ << Coord(X(time_[n - 1])) << ',' << Coord(Y(values[n - 1], r));
        out_ << "\"/>\n";
    }

private:
    std::ostringstream& out_;
    double top_;
    const std::vector<double>& time_;
    double t0_, t1_;
};

void MinMax(const std::vector<double>& values, double& lo, double& hi)
{
    for (double v : values) {
        if (!std::isfinite(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
}

}  // namespace

void Trend::Setup(const std::vector<std::string>& loops, const std::vector<std::string>& imports,
                  bool faults, bool upsets)
{
    has_faults_ = faults;
    faults_.clear();
    has_upsets_ = upsets;
    upsets_.clear();
    lost_.clear();
    loop_names_ = loops;
    import_names_ = imports;
    time_.clear();
    loops_.assign(loops.size(), Series{});
    imports_.assign(imports.size(), {});
}

void Trend::Sample(double time, const std::vector<LoopSample>& loops,
                   const std::vector<double>& imports, int faults, bool coupled, int upsets,
                   const std::vector<unsigned char>& loop_upsets)
{
    if (has_upsets_) upsets_.push_back(static_cast<unsigned char>(std::min(upsets, 255)));
    time_.push_back(time);
    lost_.push_back(coupled ? 0 : 1);
    if (has_faults_) faults_.push_back(static_cast<unsigned char>(faults > 255 ? 255 : faults));
    for (size_t i = 0; i < loops_.size(); ++i) {
        LoopSample s = i < loops.size() ? loops[i] : LoopSample{};
        loops_[i].pv.push_back(s.pv);
        loops_[i].sp.push_back(s.sp);
        loops_[i].op.push_back(s.op);
        loops_[i].mode.push_back(s.mode);
        if (has_upsets_) loops_[i].upset.push_back(i < loop_upsets.size() && loop_upsets[i]);
    }
    for (size_t i = 0; i < imports_.size(); ++i)
        imports_[i].push_back(i < imports.size() ? imports[i] : 0.0);
}

std::string Trend::Csv() const
{
    std::ostringstream out;
    out << "time_s";
    for (const std::string& name : loop_names_) {
        for (const char* value : {".PV", ".SP", ".OP", ".MODE"})
            out << ',' << CsvField(name + value);
    }
    for (const std::string& name : import_names_) out << ',' << CsvField(name);
    if (has_faults_) out << ",faults";
    if (has_upsets_) out << ",upsets";
    out << ",coupling\r\n";
    for (size_t k = 0; k < time_.size(); ++k) {
        out << NumberText(time_[k]);
        for (const Series& s : loops_)
            out << ',' << NumberText(s.pv[k]) << ',' << NumberText(s.sp[k]) << ','
                << NumberText(s.op[k]) << ',' << s.mode[k];
        for (const std::vector<double>& values : imports_) out << ',' << NumberText(values[k]);
        if (has_faults_) out << ',' << static_cast<int>(faults_[k]);
        if (has_upsets_) out << ',' << static_cast<int>(upsets_[k]);
        out << ',' << (lost_[k] ? 0 : 1) << "\r\n";
    }
    return out.str();
}

std::string Trend::Svg(const std::string& title, int max_loops) const
{
    size_t count = static_cast<size_t>(std::max(max_loops, 0));
    std::vector<size_t> loops;
    for (size_t i = 0; i < loops_.size() && i < count; ++i) loops.push_back(i);
    std::string heading = title;
    if (loops.size() < loops_.size())
        heading += " (first " + std::to_string(loops.size()) + " of " +
                   std::to_string(loops_.size()) + " loops; every loop is in the CSV)";
    return SvgOf(heading, loops, count);
}

// The document's opening: size, the styles every panel's classes name, and the heading.
static void WriteSvgHead(std::ostringstream& out, double height, const std::string& heading)
{
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Coord(kWidth) << "\" height=\""
        << Coord(height) << "\" viewBox=\"0 0 " << Coord(kWidth) << ' ' << Coord(height) << "\">\n"
        << "<style>\n"
        << "text { font-family: sans-serif; fill: #222; }\n"
        << ".title { font-size: 18px; font-weight: bold; }\n"
        << ".name { font-size: 14px; font-weight: bold; }\n"
        << ".legend, .tick { font-size: 11px; }\n"
        << ".axis { font-size: 12px; }\n"
        << ".op { fill: #c85a00; }\n"
        << ".frame { fill: none; stroke: #555; stroke-width: 1; }\n"
        << ".grid { stroke: #ddd; stroke-width: 1; }\n"
        << ".auto { fill: #e2f3e2; stroke: none; }\n"
        << ".fault { fill: #f4c7c3; fill-opacity: 0.6; stroke: none; }\n"
        << ".upset { fill: #f6e3a1; fill-opacity: 0.6; stroke: none; }\n"
        << ".lost { fill: #9e9e9e; fill-opacity: 0.45; stroke: none; }\n"
        << ".pv { fill: none; stroke: #1f5fbf; stroke-width: 1.8; }\n"
        << ".sp { fill: none; stroke: #b01c2e; stroke-width: 1.4; stroke-dasharray: 6 3; }\n"
        << ".out { fill: none; stroke: #e07b00; stroke-width: 1.2; }\n"
        << ".value { fill: none; stroke: #6a3d9a; stroke-width: 1.6; }\n"
        << "</style>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out << "<text x=\"" << Coord(kLeft) << "\" y=\"28\" class=\"title\">" << Escape(heading)
        << "</text>\n";
}

std::string Trend::SvgOf(const std::string& heading, const std::vector<size_t>& panels,
                         size_t max_imports) const
{
    size_t loops = panels.size();
    size_t imports = std::min(imports_.size(), max_imports);
    double height = kHeader + kPanelHeight * static_cast<double>(loops + imports) + 10.0;
    std::ostringstream out;
    WriteSvgHead(out, height, heading);

    bool any_lost = std::find(lost_.begin(), lost_.end(), 1) != lost_.end();
    std::vector<unsigned char> automatic;
    double top = kHeader;
    for (size_t panel_index = 0; panel_index < loops; ++panel_index, top += kPanelHeight) {
        const size_t i = panels[panel_index];
        const Series& s = loops_[i];
        double lo = INFINITY, hi = -INFINITY, tick = 1.0;
        MinMax(s.pv, lo, hi);
        MinMax(s.sp, lo, hi);
        Range left = NiceRange(lo, hi, tick);
        double op_lo = 0.0, op_hi = 100.0, op_tick = 20.0;
        MinMax(s.op, op_lo, op_hi);
        Range right = NiceRange(op_lo, op_hi, op_tick, false);
        Panel panel(out, top, time_);
        panel.Title(loop_names_[i]);
        std::vector<std::pair<std::string, std::string>> legend{
            {"PV", "pv"}, {"SP", "sp"}, {"OP, %", "out"}, {"automatic", "band"}};
        if (has_faults_) legend.push_back({"fault", "fault"});
        // Only on the panel of a loop an upset acted on: the chart says which.
        bool upset = std::find(s.upset.begin(), s.upset.end(), 1) != s.upset.end();
        if (upset) legend.push_back({"upset", "upset"});
        if (any_lost) legend.push_back({"coupling lost", "lost"});
        panel.Legend(legend);
        automatic.assign(s.mode.size(), 0);
        // Without coupling nothing says the loop is automatic: grey, not green.
        for (size_t k = 0; k < s.mode.size(); ++k)
            automatic[k] = ModeIsAutomatic(s.mode[k]) && !(k < lost_.size() && lost_[k]);
        panel.Bands(automatic);
        if (has_faults_) panel.Bands(faults_, "fault");
        if (upset) panel.Bands(s.upset, "upset");
        if (any_lost) panel.Bands(lost_, "lost");
        panel.LeftAxis(left, tick, "PV, SP");
        panel.RightAxis(right, op_tick, "OP, %");
        panel.Frame();
        panel.TimeAxis();
        panel.Line(s.op, right, "out");
        panel.Line(s.pv, left, "pv");
        panel.Line(s.sp, left, "sp");
    }
    for (size_t i = 0; i < imports; ++i, top += kPanelHeight) {
        double lo = INFINITY, hi = -INFINITY, tick = 1.0;
        MinMax(imports_[i], lo, hi);
        Range range = NiceRange(lo, hi, tick);
        Panel panel(out, top, time_);
        panel.Title(import_names_[i] + " (imported)");
        std::vector<std::pair<std::string, std::string>> legend{{"value", "value"}};
        if (any_lost) legend.push_back({"coupling lost", "lost"});
        panel.Legend(legend);
        if (any_lost) panel.Bands(lost_, "lost");
        panel.LeftAxis(range, tick, "value");
        panel.Frame();
        panel.TimeAxis();
        panel.Line(imports_[i], range, "value");
    }
    out << "</svg>\n";
    return out.str();
}

bool Trend::WriteCsv(const std::string& path, std::string& error) const
{
    return WriteTextFile(path, Csv(), error);
}
