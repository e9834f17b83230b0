; A second screen: narrated when it opens, with a way home and a way back and forth.
(form ("Class" "DemoForm")
       ("Name" "Atlas")
       ("Background Image" "atlas.jpg")
       ("RolloverHelp" true)
       ("Narrator" "narracao")
       ("Control List"
        (list (control ("Class" "velControlObject") ("Name" "Inicio")
                       ("Hot Spot" (rect 20 400 150 56)) ("Target Form" "startup.frm")
                       ("Help" "Vai para a primeira tela"))
              (control ("Class" "velControlObject") ("Name" "GoBack")
                       ("Hot Spot" (rect 300 424 110 36)) ("Help" "Volta \xe0 tela anterior"))
              (control ("Class" "velControlObject") ("Name" "GoForward")
                       ("Hot Spot" (rect 420 424 120 36)) ("Help" "Avan\xe7a para a tela seguinte")))))
