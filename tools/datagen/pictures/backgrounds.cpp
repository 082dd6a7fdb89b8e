// placeholder
#include "pictures/families.h"
namespace datagen::pic {
void AddBackgroundJobs(Jobs&) {}
}  // namespace datagen::pic
