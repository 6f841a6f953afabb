#include "telephoneparams.h"

#include "catalogue.h"

namespace telefon {

TelephoneParameters TelephoneParameters::read(cacheapi::ServerLink& link) {
    const cacheapi::catalogue::Parameters p = cacheapi::catalogue::readParameters(link);
    return {p.dialPrefix, p.lookupPrefix, p.lineText};
}

} // namespace telefon
