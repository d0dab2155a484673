#pragma once

namespace shell {

class MainWindow;

// The window-level layout state: fold flag, saved list width, design and folded base sizes.
struct LayoutState {
  int folded = 0;        // 1 while the list panel is folded away
  int list_width = 0;    // Picture7's width when it was folded (twips)
  int design_width = 0;  // inner width and height recorded at load (twips)
  int design_height = 0;
  int folded_base_width = 0;
  int frame_height = 0;  // design height of the Picture8 frames
};

// Fits the catalogue pane into its frame so that the browser's own border is hidden.
void do_ssta(MainWindow& w);
// The same fit for the second list pane (Picture5 / WebBrowser2).
void fit_second_pane(MainWindow& w);
// Records the design geometry of every control in its "tag" and the window's design size.
void f_size_init(MainWindow& w);
// Lays the controls out again for the window's current inner size.
void f_size_resize(MainWindow& w);

}  // namespace shell
