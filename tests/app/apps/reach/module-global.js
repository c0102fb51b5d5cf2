window.stolenModule = "SECRET";
