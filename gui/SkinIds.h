#pragma once
#include <cstdint>

// The ids of the skin images in res/texturepack. The pack may hold images with other ids; only
// 0 .. kSkinImageCount - 1 go into the skin table that the drawing code looks images up in.
//
// Conventions shared by the pack tool and the drawing code:
// - Frame pieces come as an edge and a corner. The edge is the top edge, tiled along its
//   length; its height is the frame's thickness and its row 0 is the outer side. The corner is
//   the top-left one and is as wide and as high as the edge is thick. The other three sides
//   and corners are the same images drawn turned or mirrored.
// - Fills ("tile") are drawn tiled, and may also be stretched: they are flat across the tile
//   or vary only along the direction noted.
// - Three-piece controls (buttons, scroll thumbs, tabs) have fixed end caps and a middle that
//   is stretched or tiled between them.
// - Pixels are straight (not premultiplied) RGBA.

// Window backgrounds: a flat tile. Background kind A draws it in white, kind B tinted
// (96, 96, 96), which gives the deeper panel behind viewers and the About box.
inline constexpr int32_t kSkinBackground = 0;

// Thick window border, 4 pixels: a dark outline outside, the frame colour, a dark seam inside.
// Its height is the skin's thick border width.
inline constexpr int32_t kSkinThickBorderEdge = 1;
// Thin border, 1 pixel, for frames of menus, pop-ups and panels. Its height is the skin's thin
// border width.
inline constexpr int32_t kSkinThinBorderEdge = 2;
// Thin border corner, 1 x 1, at half strength so that the corner looks rounded off.
inline constexpr int32_t kSkinThinBorderCorner = 3;

// Push button pieces, 24 pixels high (the theme's button height is the height of the left cap).
// The face fills the top 18 rows, which is the label's area (the button less its bottom 6
// rows); the rows below carry a soft shadow and are otherwise clear, so the pieces are drawn at
// their own height from the top of the button.
inline constexpr int32_t kSkinButtonMiddle = 4;         // stretched between the caps
inline constexpr int32_t kSkinButtonMiddlePressed = 5;  // state 3 only
inline constexpr int32_t kSkinButtonLeft = 6;           // rounded left end of the face, 6 wide
inline constexpr int32_t kSkinButtonLeftPressed = 7;    // the same, pushed in
inline constexpr int32_t kSkinButtonRight = 8;          // rounded right end, 6 wide
inline constexpr int32_t kSkinButtonRightPressed = 9;   // the same, pushed in

// Thick border corner, 4 x 4: the outline rounded on the outside.
inline constexpr int32_t kSkinThickBorderCorner = 10;

// Title bar of the topmost window of its layer: a 22-pixel-high strip in the accent colour,
// shaded top to bottom, tiled or stretched across.
inline constexpr int32_t kSkinTitleBarActive = 11;

// Check box, 13 x 13 (the check box size is that of the first one).
inline constexpr int32_t kSkinCheckBoxOff = 12;         // state 0
inline constexpr int32_t kSkinCheckBoxOn = 13;          // state 1
inline constexpr int32_t kSkinCheckBoxPressedOn = 14;   // state 2
inline constexpr int32_t kSkinCheckBoxPressedOff = 15;  // state 3

// Title bar of every other window: the same strip in the frame grey.
inline constexpr int32_t kSkinTitleBarInactive = 16;

// Drop shadow around a window (flag 0x8), 8 pixels deep, drawn outside the frame: the edge's
// row 0 is the outermost, nearly clear row and its last row the darkest, next to the frame.
inline constexpr int32_t kSkinShadowEdge = 17;
// Drop shadow corner, 8 x 8, top-left: fades radially towards its outer corner.
inline constexpr int32_t kSkinShadowCorner = 18;

// Keyboard focus ring, 3 pixels thick, drawn around a control's rectangle: row 0 is the
// accent line, row 1 a faint inner glow, row 2 clear.
inline constexpr int32_t kSkinFocusRingEdge = 19;
// Focus ring corner, 3 x 3, rounded.
inline constexpr int32_t kSkinFocusRingCorner = 20;

// Splitter divider bar, 4 pixels thick like the thick border: a horizontal divider's tile,
// varying only top to bottom; a vertical divider draws it turned.
inline constexpr int32_t kSkinSplitterBar = 21;

// Checkerboard tile, 8 x 8, shown behind a colour swatch so that its alpha can be seen.
inline constexpr int32_t kSkinSwatchChecker = 22;

// Grid cell highlight: a translucent accent tile laid over a selected cell.
inline constexpr int32_t kSkinGridCellSelection = 23;

// Tree row expand mark, 9 x 9, of an expanded item: a triangle pointing down.
inline constexpr int32_t kSkinTreeMarkOpen = 24;
// Tree row expand mark, 9 x 9, of a collapsed item: a triangle pointing right. Turned a quarter
// turn clockwise it gives the open mark, for code that prefers one image.
inline constexpr int32_t kSkinTreeMark = 25;

// Pop-up menu background tile.
inline constexpr int32_t kSkinMenuBackground = 26;
// Highlighted menu item: an accent tile, flat so that it can be stretched over the item.
inline constexpr int32_t kSkinMenuHighlight = 27;
// Menu separator, 16 x 4 (a separator item's height): an etched line across the middle, tiled.
inline constexpr int32_t kSkinMenuSeparator = 28;
// Sub-menu arrow, 5 x 9, pointing right.
inline constexpr int32_t kSkinMenuSubmenuArrow = 29;
// Check mark for a checked menu item, 9 x 9.
inline constexpr int32_t kSkinMenuCheckMark = 30;
// Menu bar background tile, a little lighter than the pop-ups and shaded top to bottom.
inline constexpr int32_t kSkinMenuBarBackground = 31;

// Scroll bars are 14 pixels thick: the width of the vertical track is the bar thickness, and
// the arrows are 14 x 14 (the top and bottom 14 pixels of a vertical bar).
inline constexpr int32_t kSkinScrollTrackVertical = 32;    // 14 wide, tiled downwards
inline constexpr int32_t kSkinScrollTrackHorizontal = 33;  // 14 high, tiled across
// Thumb pieces: rounded caps and a middle stretched between them. The two caps together are
// the thumb's shortest length.
inline constexpr int32_t kSkinScrollThumbTop = 34;               // rounded top end, 14 x 6
inline constexpr int32_t kSkinScrollThumbVerticalMiddle = 35;    // 14 x 4
inline constexpr int32_t kSkinScrollThumbBottom = 36;            // rounded bottom end, 14 x 6
inline constexpr int32_t kSkinScrollThumbLeft = 37;              // rounded left end, 6 x 14
inline constexpr int32_t kSkinScrollThumbHorizontalMiddle = 38;  // 4 x 14
inline constexpr int32_t kSkinScrollThumbRight = 39;             // rounded right end, 6 x 14
inline constexpr int32_t kSkinScrollArrowUp = 40;                // grey triangle on the track
inline constexpr int32_t kSkinScrollArrowUpPressed = 41;         // light triangle on a lit plate
inline constexpr int32_t kSkinScrollArrowDown = 42;              // grey triangle on the track

// Combo box drop-down arrow, 14 x 14.
inline constexpr int32_t kSkinDropDownArrow = 43;          // light triangle on a raised plate
inline constexpr int32_t kSkinDropDownArrowDisabled = 44;  // dim triangle on a flat plate
inline constexpr int32_t kSkinDropDownArrowPressed = 45;   // the plate pushed in

inline constexpr int32_t kSkinScrollArrowDownPressed = 46;   // light triangle on a lit plate
inline constexpr int32_t kSkinScrollArrowLeft = 47;          // grey triangle on the track
inline constexpr int32_t kSkinScrollArrowLeftPressed = 48;   // light triangle on a lit plate
inline constexpr int32_t kSkinScrollArrowRight = 49;         // grey triangle on the track
inline constexpr int32_t kSkinScrollArrowRightPressed = 50;  // light triangle on a lit plate
// Size box in the corner where both bars meet, 14 x 14, with a diagonal grip.
inline constexpr int32_t kSkinScrollSizeBox = 51;

// Title-bar buttons, 16 x 14 each (the skin's title-bar button size is that of the close
// button). Light glyphs on a faint plate, readable on both title bars; the pressed close
// button turns a muted red.
inline constexpr int32_t kSkinTitleButtonClose = 52;            // a cross
inline constexpr int32_t kSkinTitleButtonClosePressed = 53;     // the cross on red
inline constexpr int32_t kSkinTitleButtonMaximise = 54;         // a window outline
inline constexpr int32_t kSkinTitleButtonMaximisePressed = 55;  // the outline on a dark plate
// A bar: rolls the window up to its title bar and back.
inline constexpr int32_t kSkinTitleButtonCollapse = 56;
inline constexpr int32_t kSkinTitleButtonCollapsePressed = 57;  // the bar on a dark plate
// Shown in the maximise button's place while the window is maximised.
inline constexpr int32_t kSkinTitleButtonRestore = 58;         // two overlapping window outlines
inline constexpr int32_t kSkinTitleButtonRestorePressed = 59;  // the outlines on a dark plate

// Tabs, 20 pixels high, with slanted sides in 10-pixel caps; neighbouring tabs overlap by 8
// pixels so that their slants cross. A tab is as wide as the caps plus its title's text width;
// the middle is stretched. The selected tab has the window background's colour with an accent
// line along its top, the others are darker.
inline constexpr int32_t kSkinTabLeft = 60;            // selected tab: left slant
inline constexpr int32_t kSkinTabMiddle = 61;          // selected tab: top with the accent line
inline constexpr int32_t kSkinTabRight = 62;           // selected tab: right slant
inline constexpr int32_t kSkinTabInactiveLeft = 63;    // other tabs: left slant
inline constexpr int32_t kSkinTabInactiveMiddle = 64;  // other tabs: top
inline constexpr int32_t kSkinTabInactiveRight = 65;   // other tabs: right slant

// Text box frame, 3 pixels thick: row 0 the border line, rows 1 and 2 the field colour.
inline constexpr int32_t kSkinTextBoxEdge = 66;
// Text box frame corner, 3 x 3, rounded.
inline constexpr int32_t kSkinTextBoxCorner = 67;
// Text box field tile, a little lighter than the window background.
inline constexpr int32_t kSkinTextBoxFill = 68;
// Text caret, 1 pixel wide, stretched to the line height.
inline constexpr int32_t kSkinTextCaret = 69;

// Selection highlight behind selected text and list rows in a focused window: a flat accent
// tile.
inline constexpr int32_t kSkinSelection = 70;
// The same in a window without the focus: grey.
inline constexpr int32_t kSkinSelectionInactive = 71;

// List header row: a tile 18 high, shaded top to bottom with a dark line at the bottom.
inline constexpr int32_t kSkinListHeader = 72;         // header cell at rest
inline constexpr int32_t kSkinListHeaderPressed = 73;  // header cell being clicked (sorting)
// Divider between two header cells, 2 x 18: a dark and a light line.
inline constexpr int32_t kSkinListHeaderDivider = 74;

// Model viewer transform buttons, 15 x 15: the plate in its three states, with one of the
// three icons drawn over it.
inline constexpr int32_t kSkinViewButton = 75;         // dark plate at rest
inline constexpr int32_t kSkinViewButtonHover = 76;    // lighter plate, accent outline
inline constexpr int32_t kSkinViewButtonPressed = 77;  // accent plate
inline constexpr int32_t kSkinViewIconPan = 78;        // four arrows
inline constexpr int32_t kSkinViewIconRotate = 79;     // circling arrow
inline constexpr int32_t kSkinViewIconZoom = 80;       // magnifying glass

inline constexpr int32_t kSkinImageCount = 81;
