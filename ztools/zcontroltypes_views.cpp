// Registration of the views' markup types (see zcontroltypes.h).
#include "ztools/zcontroltypes.h"

#include "zml/zmlparser.h"
#include "ztools/zimageview.h"
#include "ztools/zsection.h"
#include "ztools/zstatictext.h"
#include "ztools/ztintedimage.h"

namespace ZTools {

int32_t RegisterViewsMarkupTypes(ZMLParser& parser) {
  for (auto factory :
       {+[]() -> IEventListener* { return new ImageView(); }, +[]() -> IEventListener* { return new StaticTextView(); },
        +[]() -> IEventListener* { return new SectionView(); },
        +[]() -> IEventListener* {
          return new TintedImage();
        }})
    if (int32_t rc = parser.RegisterType(factory))
      return rc;
  return 0;
}

}  // namespace ZTools
