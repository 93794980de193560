#pragma once

#include <QString>

// Every script the tool runs in a page. Each is a fixed function applied to
// its arguments as a JSON object, so no page data is ever pasted into code.
namespace PageScripts {

// Each press script gives {found: elements answering to the name, pressed,
// loginForm: the button was not pressed because its form asks for a password}.

// Clicks the one element whose name or id is `name`; clicks nothing when no
// element or several elements answer to it.
QString pressOnlyElementNamed(const QString &name);

// Clicks the element at `index` of document.getElementsByName(`name`).
QString pressElementNamedAt(const QString &name, int index);

} // namespace PageScripts
