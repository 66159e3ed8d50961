// Until the site lock joins the engine, `site` says so and writes nothing.
#include "app/cli_commands.h"

int RunSiteCommand(const TCliContext& context, const TCliCommand& /*command*/) {
  SayError(context, "site: the site lock is not part of this build yet; nothing was written.");
  return 1;
}
