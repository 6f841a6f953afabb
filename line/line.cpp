#include "line.h"

namespace line {

QString Line::readinessText() const {
    switch (readiness()) {
    case Readiness::Ready:
        return QStringLiteral("Leitung bereit");
    case Readiness::Connecting:
        return QStringLiteral("Leitung wird verbunden …");
    case Readiness::Failed:
        return QStringLiteral("Leitung gestört");
    case Readiness::Closed:
        break;
    }
    return QStringLiteral("Leitung nicht geöffnet");
}

} // namespace line
