// placeholder
#include "pictures/families.h"
namespace datagen::pic {
void AddEnemyJobs(Jobs&) {}
}  // namespace datagen::pic
