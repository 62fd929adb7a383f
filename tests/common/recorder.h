#pragma once

#include "printing/printer.h"

// A print target for window tests: the window owns and destroys its printer, so this one
// hands every operation to a RecordingPrinter that the test keeps.
class Recorder : public Printer {
public:
    explicit Recorder(RecordingPrinter &to)
        : m_to(to) {}
    void setFontName(const QString &n) override { m_to.setFontName(n); }
    void setFontSize(double p) override { m_to.setFontSize(p); }
    void setX(double t) override { m_to.setX(t); }
    void setY(double t) override { m_to.setY(t); }
    double x() const override { return m_to.x(); }
    double y() const override { return m_to.y(); }
    void printLine(const QString &text) override { m_to.printLine(text); }
    void newSheet() override { m_to.newSheet(); }
    void endDocument() override { m_to.endDocument(); }

private:
    RecordingPrinter &m_to;
};
