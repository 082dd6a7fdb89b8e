// placeholder
#include "pictures/families.h"
namespace datagen::pic {
void AddEffectJobs(Jobs&) {}
}  // namespace datagen::pic
