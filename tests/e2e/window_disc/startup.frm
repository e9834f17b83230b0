; One 60 x 40 control in the middle of the screen, drawn in the background picture.
(form ("Name" "Inicio")
      ("Background Image" "fundo.bmp")
      ("Control List"
       (list (control ("Class" "velControlObject") ("Name" "Ir")
                      ("Hot Spot" (rect 290 220 60 40)) ("Target Form" "segunda.frm")))))
