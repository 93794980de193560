#pragma once

class QLineEdit;

// Keeps line breaks out of `field`, typed or pasted: an address is one line
// of the settings file, and a pasted address often ends in a line break.
void keepOnOneLine(QLineEdit *field);
