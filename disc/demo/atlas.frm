; A second screen, with a way back.
(form ("Class" "DemoForm")
       ("Name" "Atlas")
       ("Background Image" "atlas.jpg")
       ("Control List"
        (list (control ("Class" "velControlObject") ("Name" "Voltar")
                       ("Hot Spot" (rect 20 400 150 56)) ("Target Form" "startup.frm")))))
