var onlyb = "b";
