; A form drawn as a dialog over the first screen; its button closes it, as does Escape. A press
; outside it only sounds the beep: the dialog stays.
(form ("Class" "velDialogObject")
       ("Name" "Sobre")
       ("Dialog" true)
       ("Background Image" "sobre.bmp")
       ("Origin X" 160) ("Origin Y" 140)
       ("Dialog Beep Sound" "clique.wav")
       ("Drag Rect" (rect 0 0 320 40))
       ("Control List"
        (list (control ("Class" "velControlObject") ("Name" "OK")
                       ("Hot Spot" (rect 110 140 100 40)) ("Action" "close")))))
