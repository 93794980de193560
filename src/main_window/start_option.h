#pragma once

class Form1;

// --start: as soon as the window is up, presses "2: 开始自动挂机" as the
// user would. Without saved addresses that button is disabled and the window
// stays as on a first run; the red line then says it cannot start on its own.
void pressStartOnceShown(Form1 &form);
