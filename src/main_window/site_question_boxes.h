#pragma once

class Browser;
class QWidget;

// Shows a browser's questions for the person (a site's user name and
// password, an untrusted certificate) in boxes of their own over `parent`,
// that do not block, and hands the answers back to the browser. A box
// closed without an answer says no.
void showSiteQuestions(Browser &browser, QWidget *parent);
