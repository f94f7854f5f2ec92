#include "print_service/api/endpoints.h"
#include "print_service/api/response_envelope.h"

namespace orvi {

void HandlePrintImage(const httplib::Request&, httplib::Response& res,
                      const httplib::ContentReader&) {
  AddCorsHeaders(res);
}

}  // namespace orvi
