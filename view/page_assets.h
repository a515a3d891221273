// The page tessivar-view writes, without the map's data: its bytes up to
// the content of the data element, and from there to the end. Made at build
// time from the sources in view/page by view/embed_page.cmake (the style
// sheet, the scripts and the template), the same bytes on every system.
#ifndef TESSIVAR_VIEW_PAGE_ASSETS_H_
#define TESSIVAR_VIEW_PAGE_ASSETS_H_

#include <cstddef>

namespace tessivar {

extern const unsigned char kViewPageHead[];
extern const size_t kViewPageHeadSize;
extern const unsigned char kViewPageTail[];
extern const size_t kViewPageTailSize;

}  // namespace tessivar

#endif  // TESSIVAR_VIEW_PAGE_ASSETS_H_
