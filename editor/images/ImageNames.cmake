# The embedded pictures, in ascending byte order of their names. Each name has a
# plain picture <name>.png and a double-density one <name>@2x.png in this folder.
set(CORLINDE_IMAGE_NAMES
  MP-ZELBRIN
  brutal-large
  fluted-large
  knob-blk-large
  knob-wht-large
  left-footswitch
  lg-knob-blu
  lg-knob-org
  lg-knob-yel
  mp-corlindejr
  mp-quenmoor
  mp-vantrelnoise2
  right-footswitch
  small-knob
  toggle-down
  toggle-mid
  toggle-up
  wh-knob-large
  wq-fenwhist-classic
  wq-kelvane-classic)
