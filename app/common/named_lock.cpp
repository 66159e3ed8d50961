#include "app/common/named_lock.h"

#include "engine/lock_page.h"

TLockResult LockWithNamedTemplate(const TTemplateLibrary& templates, const std::string& template_name,
                                  const std::string& page, const std::string& backup,
                                  const TPassword& password, TLockObserver& observer) {
  TLockRequest request{{}, page, backup, password};
  TLockMessage why;
  if (!templates.Find(template_name, &request.template_, &why)) {
    TLockResult result = FailedLock({std::move(why), {}});
    result.locked_page = page;
    return result;
  }
  return LockPage(request, observer);
}
