#include "view/page_html.h"

#include "view/page_assets.h"

namespace tessivar {

bool writeViewPage(std::ostream& out, const std::string& dataJson) {
  out.write(reinterpret_cast<const char*>(kViewPageHead), std::streamsize(kViewPageHeadSize));
  out.write(dataJson.data(), std::streamsize(dataJson.size()));
  out.write(reinterpret_cast<const char*>(kViewPageTail), std::streamsize(kViewPageTailSize));
  return bool(out);
}

}  // namespace tessivar
