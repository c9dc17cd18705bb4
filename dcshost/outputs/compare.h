// --compare REF.csv: a run's trends against a reference run's, column by
// column (every loop's PV, SP and OP the reference holds), sample by sample.
#pragma once

#include <string>
#include <vector>

// A trend file read back: the header's names and one row of numbers per
// sample ("nan" and empty fields read as NaN).
struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<double>> rows;
};

// RFC 4180: quoted fields, doubled quotes, CRLF or LF line ends. False with
// the line and the reason when the text is not a table of numbers under a
// header.
bool ParseCsv(const std::string& text, CsvTable& out, std::string& error);

struct Deviation {
    std::string column;  // "FIC102.PV"
    double time = 0.0;
    double value = 0.0;
    double reference = 0.0;
};

// The first sample where a run value leaves the band around the reference:
// |value - reference| > tolerance * max(1, |reference|). True when there is
// none. error names what cannot be compared (a column the run lacks, sample
// times that differ, a different number of samples) and leaves first empty.
bool CompareTrends(const CsvTable& run, const CsvTable& reference, double tolerance,
                   Deviation& first, std::string& error);
