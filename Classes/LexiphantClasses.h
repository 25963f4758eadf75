#pragma once

// Registers every class of the application that interface files name (the app delegate, the
// screens' controllers, the navigation controller's rotation rules, the code text view) with
// the interface-file class registry. Called before the main interface file loads; calling it
// again registers them again.
void registerLexiphantClasses();
