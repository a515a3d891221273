// Writes the page of tessivar-view: the embedded page (view/page_assets.h)
// with the map's data (view/page_data.h) inside its data element.
#ifndef TESSIVAR_VIEW_PAGE_HTML_H_
#define TESSIVAR_VIEW_PAGE_HTML_H_

#include <ostream>
#include <string>

namespace tessivar {

// Returns whether the stream took it all.
bool writeViewPage(std::ostream& out, const std::string& dataJson);

}  // namespace tessivar

#endif  // TESSIVAR_VIEW_PAGE_HTML_H_
