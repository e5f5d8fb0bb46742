#pragma once

#include <QObject>

namespace Parlino {

// The elapsed and total time of the current read.
class ProgressModel : public QObject {
    Q_OBJECT

public:
    struct Total {
        double seconds = 0;
        bool isExact = false; // false while the total is an estimate
        friend bool operator==(const Total&, const Total&) = default;
    };

    using QObject::QObject;

    double elapsed() const { return m_elapsed; }
    const Total& total() const { return m_total; }
    qint64 elapsedWholeSeconds() const { return m_elapsedWholeSeconds; }

    // Writes each value that differs from the stored one. A non-finite elapsed time counts
    // as 0.
    void update(double elapsed, double total, bool isExact);

signals:
    void elapsedChanged();
    void totalChanged();
    void elapsedWholeSecondsChanged();

private:
    double m_elapsed = 0;
    Total m_total;
    qint64 m_elapsedWholeSeconds = 0;
};

} // namespace Parlino
