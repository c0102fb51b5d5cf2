var both = "b";
