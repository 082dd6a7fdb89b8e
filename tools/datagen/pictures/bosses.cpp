// placeholder
#include "pictures/families.h"
namespace datagen::pic {
void AddBossJobs(Jobs&) {}
}  // namespace datagen::pic
