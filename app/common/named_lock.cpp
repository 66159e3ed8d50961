#include "app/common/named_lock.h"

#include "engine/lock_page.h"

TLockResult LockWithNamedTemplate(const TTemplateLibrary& templates, const std::string& template_name,
                                  const std::string& page, const std::string& backup,
                                  const TPassword& password, TRunObserver& observer) {
  TLockRequest request{{}, page, backup, password};
  TValueOr<TTemplate> found = templates.Find(template_name);
  if (!found.ok()) {
    TLockResult result = Failed(std::move(found.problem));
    result.locked_page = page;
    return result;
  }
  request.template_ = std::move(found.value);
  return LockPage(request, observer);
}
