// Shows the prices of today's bread when asked, and greets by the time of day.
(function () {
  "use strict";

  function greeting(hour) {
    if (hour < 11) {
      return "Good morning";
    }
    return hour < 17 ? "Good afternoon" : "Good evening";
  }

  document.addEventListener("DOMContentLoaded", function () {
    var button = document.getElementById("show-prices");
    var loaves = document.querySelector(".loaves");
    if (!button || !loaves) {
      return;
    }
    button.addEventListener("click", function () {
      var priced = loaves.classList.toggle("priced");
      button.textContent = priced ? "Hide prices" : "Show prices";
    });

    var tagline = document.querySelector(".tagline");
    if (tagline) {
      tagline.textContent = greeting(new Date().getHours()) + "! " + tagline.textContent;
    }
  });
})();
