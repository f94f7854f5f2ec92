#include "print_service/api/endpoints.h"
#include "print_service/api/response_envelope.h"

namespace orvi {

void HandleGetPrinters(const httplib::Request&, httplib::Response& res) { AddCorsHeaders(res); }

}  // namespace orvi
