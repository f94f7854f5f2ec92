#include "print_service/printing/image_payload.h"

#include <cstdio>

#include "platform/win32.h"
#include "print_service/printing/base64_decode.h"
#include "print_service/printing/log_line.h"
#include "print_service/printing/split_string.h"
#include "print_service/printing/temp_image_file.h"

namespace orvi {

void SaveImagePayload(const std::string& body) {
  const std::vector<std::string> pieces = SplitString(body, ",");
  // A body without a comma carries no payload: treated like an empty one.
  if (body.empty() || pieces.size() < 2) {
    LogLine(" pic data is empty ");
    return;
  }
  const std::string& con = pieces[1];
  const std::string s_mat = Base64Decode(con.data(), con.size());
  const std::optional<std::wstring> jpgFilePath = TempImageFilePath();
  if (!jpgFilePath) return;
  if (FILE* stream = _wfopen(jpgFilePath->c_str(), L"wb")) {
    std::fwrite(s_mat.data(), 1, s_mat.size(), stream);
    std::fclose(stream);
    LogLine("Picture file is saved to tempOV.JPG.");
  }
  LogLine("pic file is save to tempOV");
}

}  // namespace orvi
