; The opening: the intro movie fills the screen; a click anywhere, a key or the movie's end leads to
; the main screen.
(form ("Class" "IntroForm")
      ("Name" "IntroForm")
      ("Control List"
       (list (control ("Class" "HotSpot") ("Name" "ScreenHotspot") ("Hot Spot" (rect 0 0 640 480))))))
